// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemClock.h"

#include <QThread>

// Blocks on purpose: received bytes are meant to wait in the port meanwhile.
void SystemClock::pause(int ms) {
  if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

qint64 SystemClock::steadyMs() const { return steady.elapsed(); }
