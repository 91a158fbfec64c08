// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Time. pause() blocks the user-interface thread on purpose: received bytes wait meanwhile.
#include <QDateTime>

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void pause(int ms) = 0;
  virtual QDateTime now() const = 0;
  // Milliseconds that only ever grow (time bounds on answers); the date may be set back.
  virtual qint64 steadyMs() const { return now().toMSecsSinceEpoch(); }
};
