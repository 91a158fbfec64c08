// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestClock.h"

#include "support/MemorySerialDevice.h"
#include "unit/UnitEngine.h"

QDateTime TestClock::defaultStart() { return QDateTime(QDate(2024, 2, 1), QTime(8, 0, 0)); }

TestClock::TestClock(const QDateTime& start) : base(start) {}

void TestClock::pause(int ms) {
  asked << ms;
  if (ms <= 0) return;
  pausedMs += ms;
  advance(ms);
}

void TestClock::advance(qint64 by) {
  ms += by;
  if (!line) return;
  line->unit()->advanceTo(ms);
  line->collect();
}
