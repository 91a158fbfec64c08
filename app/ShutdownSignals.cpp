#include "app/ShutdownSignals.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace {

// The handler only writes the signal's number; the window thread reads it from the event loop.
int wake[2] = {-1, -1};
std::function<void()> lastWork;

void onSignal(int number) {
  const unsigned char byte = static_cast<unsigned char>(number);
  (void)!::write(wake[0], &byte, 1);
}

}  // namespace

void OnShutdownSignals(std::function<void()> last) {
  if (wake[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, wake) != 0) return;
  lastWork = std::move(last);
  auto* notifier =
      new QSocketNotifier(wake[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, [] {
    unsigned char number = 0;
    if (::read(wake[1], &number, 1) != 1) return;
    if (lastWork) lastWork();
    ::signal(number, SIG_DFL);
    ::raise(number);
  });
  for (int number : {SIGTERM, SIGHUP, SIGINT}) {
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

void OnShutdownSignals(std::function<void()>) {}

#endif
