#pragma once
// Time. pause() blocks the user-interface thread on purpose: received bytes wait meanwhile.
#include <QDateTime>

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void pause(int ms) = 0;
  virtual QDateTime now() const = 0;
};
