// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShutdownSignals.h"

#include <QtGlobal>

#include "platform/Signals.h"

#ifdef Q_OS_UNIX
#include <signal.h>

void OnShutdownSignals(std::function<void()> last) {
  OnSignals({SIGTERM, SIGHUP, SIGINT}, [last = std::move(last)](int number) {
    if (last) last();
    ::signal(number, SIG_DFL);
    ::raise(number);
  });
}

#else

void OnShutdownSignals(std::function<void()>) {}

#endif
