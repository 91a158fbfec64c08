// SPDX-License-Identifier: GPL-3.0-or-later
// Intake of the unit's lines on the real window: bytes through the serial component, the
// parser and its handlers into the Monitor, with the MONITOR page on screen. For 0, 100,000
// and 1,000,000 lines already held: lines and megabytes per second, the longest batch (how long
// the window could not repaint) and the resident memory each new line costs.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "bench/BenchDoubles.h"
#include "link/ComPort.h"

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace {

// The unit's reports, two lines and 28 bytes each: an empty line and a registration report.
const QByteArray kEntry = QByteArrayLiteral("\r\n+CREG: 0,1,\"0A1B\",\"00C3\"\r\n");
constexpr int kLinesPerEntry = 2;

qint64 residentBytes() {
#ifdef Q_OS_LINUX
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  long size = 0, resident = 0;
  const int got = std::fscanf(f, "%ld %ld", &size, &resident);
  std::fclose(f);
  return got == 2 ? qint64(resident) * sysconf(_SC_PAGESIZE) : 0;
#else
  return 0;
#endif
}

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Intake {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  double longestBatchMs = 0;
  qint64 residentGrowth = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  QDir::setCurrent(dir.path());

  QuietDialogs dialogs;
  NoWaitClock clock;
  FloodDevices devices;
  FormEnvironment env;
  env.dialogs = &dialogs;
  env.clock = &clock;
  env.serial = &devices;
  env.programFile = dir.filePath(QStringLiteral("zulset"));
  TForm1 form(env);
  form.Timer1->stop();  // no watchdog ticks in the figures
  form.PageControl1->setCurrentWidget(form.TabSheet1);
  form.show();
  QCoreApplication::processEvents();
  FloodDevice* device = devices.last;
  if (!device) {
    std::fprintf(stderr, "the port did not open\n");
    return 1;
  }

  double longest = 0;
  const auto handler = form.ComPort1->OnTriggerAvail;
  form.ComPort1->OnTriggerAvail = [&](TComPort* CP, int Count) {
    QElapsedTimer t;
    t.start();
    handler(CP, Count);
    longest = std::max(longest, double(t.nsecsElapsed()) / 1e6);
  };

  constexpr int kStep = 100000;
  const QByteArray flood = kEntry.repeated(kStep / kLinesPerEntry);
  const qint64 startResident = residentBytes();
  const qsizetype startLines = form.Monitor->LineCount();

  auto intake = [&](int lines) {
    Intake r;
    const qint64 resident = residentBytes();
    const double cpu = cpuSeconds();
    longest = 0;
    QElapsedTimer wall;
    wall.start();
    for (int done = 0; done < lines; done += kStep) {
      const qsizetype target = form.Monitor->LineCount() + kStep;
      device->feed(flood);
      while (form.Monitor->LineCount() < target) QCoreApplication::processEvents();
    }
    form.Monitor->Refresh();
    QCoreApplication::processEvents();
    r.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    r.cpuSeconds = cpuSeconds() - cpu;
    r.longestBatchMs = longest;
    r.residentGrowth = residentBytes() - resident;
    return r;
  };

  std::printf("%12s %12s %12s %10s %10s %12s\n", "lines held", "lines/s", "MB/s", "x line",
              "batch ms", "bytes/line");
  auto report = [&](qsizetype held, const Intake& r) {
    const double bytes = double(kStep) / kLinesPerEntry * kEntry.size();
    std::printf("%12lld %12.0f %12.2f %10.0f %10.2f %12.1f\n", static_cast<long long>(held),
                kStep / r.wallSeconds, bytes / r.wallSeconds / 1e6, bytes / r.wallSeconds / 1920.0,
                r.longestBatchMs, double(r.residentGrowth) / kStep);
    std::fflush(stdout);
  };

  for (int round = 0; round < 2; ++round) {
    const qsizetype held = form.Monitor->LineCount() - startLines;
    report(held, intake(kStep));
  }
  intake(1000000 - int(form.Monitor->LineCount() - startLines));
  const qsizetype million = form.Monitor->LineCount() - startLines;
  report(million, intake(kStep));

  const qsizetype lines = form.Monitor->LineCount() - startLines;
  std::printf("\n%lld lines: %.1f bytes of resident memory per line on average\n",
              static_cast<long long>(lines), double(residentBytes() - startResident) / lines);
  return 0;
}
