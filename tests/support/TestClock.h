// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Virtual time. pause() lets the simulated unit run meanwhile; what it sends waits in the
// device, as bytes wait during a real blocking pause, and is announced once the event loop
// runs again.
#include <QDateTime>
#include <QList>

#include "platform/Clock.h"

class MemorySerialDeviceFactory;

class TestClock : public Clock {
 public:
  // 1 February 2024, 08:00:00 local time.
  static QDateTime defaultStart();

  explicit TestClock(const QDateTime& start = defaultStart());
  // The line whose unit runs with this clock (nullptr: none).
  void attach(MemorySerialDeviceFactory* line) { this->line = line; }

  void pause(int ms) override;
  QDateTime now() const override { return base.addMSecs(ms); }
  qint64 steadyMs() const override { return ms; }

  // Virtual milliseconds since start; the unit's own time.
  qint64 elapsed() const { return ms; }
  // Time runs on by ms: the unit advances and its output lands in the device.
  void advance(qint64 ms);
  // Moves the date and time shown by now(); the unit's time is not touched.
  void setNow(const QDateTime& t) { base = t.addMSecs(-ms); }

  // Every pause() asked for, in order.
  const QList<int>& pauses() const { return asked; }
  // Virtual ms spent in pause() since start.
  qint64 paused() const { return pausedMs; }
  void clearPauses() { asked.clear(); }

 private:
  QDateTime base;
  qint64 ms = 0;
  MemorySerialDeviceFactory* line = nullptr;
  QList<int> asked;
  qint64 pausedMs = 0;
};
