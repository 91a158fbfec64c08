// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real clock.
#include <QElapsedTimer>

#include "platform/Clock.h"

class SystemClock : public Clock {
 public:
  SystemClock() { steady.start(); }
  void pause(int ms) override;
  QDateTime now() const override;
  qint64 steadyMs() const override;

 private:
  QElapsedTimer steady;
};
