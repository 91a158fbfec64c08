// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Signals.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace {

// The handler only writes the signal's number; the loop reads it. A pipe, not a socket: a
// service may be allowed no socket family at all.
int wake[2] = {-1, -1};
std::function<void(int)> handler;

void onSignal(int number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(number);
  (void)!::write(wake[1], &byte, 1);
  errno = saved;
}

}  // namespace

void OnSignals(std::initializer_list<int> numbers, std::function<void(int)> handle) {
  if (wake[0] >= 0 || ::pipe(wake) != 0) return;
  for (int fd : wake) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  ::fcntl(wake[1], F_SETFL, O_NONBLOCK);  // a flood of signals must not block the handler
  handler = std::move(handle);
  auto* notifier =
      new QSocketNotifier(wake[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [] {
    unsigned char number = 0;
    if (::read(wake[0], &number, 1) == 1 && handler) handler(number);
  });
  for (int number : numbers) {
    struct sigaction was {};
    if (::sigaction(number, nullptr, &was) == 0 && was.sa_handler == SIG_IGN) continue;
    struct sigaction now {};
    now.sa_handler = onSignal;
    sigemptyset(&now.sa_mask);
    now.sa_flags = SA_RESTART;
    ::sigaction(number, &now, nullptr);
  }
}

#else

void OnSignals(std::initializer_list<int>, std::function<void(int)>) {}

#endif
