#pragma once
// The real clock.
#include "platform/Clock.h"

class SystemClock : public Clock {
 public:
  void pause(int ms) override;
  QDateTime now() const override;
};
