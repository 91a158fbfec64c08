// SPDX-License-Identifier: GPL-3.0-or-later
// The logger with a PostgreSQL database (a server of the benchmark's own, as in the tests):
// call-to-row latency over 1,000 calls, from the call typed into zulsim to its row committed
// and seen by a reader; catch-up once the server is back after an hour without it (60 calls
// waiting, an hour of the test build's clock in a minute); the logger's resident memory with
// and without a database.
//   cmake --build build-bench --target bench_database zulset-cli zulset-cli-testclock zulsim
//   nice -n 19 build-bench/bin/bench_database
#include <libpq-fe.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

#include "support/PgCluster.h"
#include "support/SimCalls.h"

namespace {

QString program(const char* name) { return QCoreApplication::applicationDirPath() + '/' + name; }

double residentMb(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/status").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
  return -1;
}

// zulsim and a logger on it; `database` empty: no database.
struct Rig {
  QTemporaryDir dir;
  QProcess sim, logger;
  int calls = 0;

  Rig(const QString& database, const QString& cli = program("zulset-cli"),
      const QByteArray& clock = QByteArray()) {
    QDir().mkpath(dir.filePath("logs"));
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start(program("zulsim"),
              {"--com", "9", "--ports-dir", dir.filePath("ports"), "--interval", "10", "--demo"});
    sim.waitForReadyRead(5000);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!clock.isEmpty()) env.insert("ZUL_TEST_CLOCK", clock);
    logger.setProcessEnvironment(env);
    QStringList args{"--port", dir.filePath("ports/com9")};
    if (!database.isEmpty())
      args << "--database" << database << "--unit"
           << "bench";
    logger.start(cli, args + QStringList{"log-admissions", dir.filePath("logs")});
    QElapsedTimer t;
    t.start();
    QByteArray said;
    while (!said.contains("listening") && t.elapsed() < 10000) {
      logger.waitForReadyRead(100);
      said += logger.readAllStandardError();
    }
  }
  ~Rig() {
    logger.terminate();
    logger.waitForFinished(5000);
    sim.terminate();
    sim.waitForFinished(5000);
  }
  void call() {
    sim.write(SimCallLines(calls++, 1));
    sim.waitForBytesWritten(1000);
  }
  void pump() {
    sim.readAllStandardOutput();
    logger.readAllStandardError();
  }
  int lines() {
    int n = 0;
    for (const QString& f : QDir(dir.filePath("logs")).entryList({"*.csv"}, QDir::Files)) {
      QFile file(dir.filePath("logs/" + f));
      if (file.open(QIODevice::ReadOnly)) n += int(file.readAll().count('\n'));
    }
    return n;
  }
};

long rows(PGconn* reader) {
  PGresult* r = PQexec(reader, "SELECT count(*) FROM admissions WHERE unit = 'bench'");
  const long n = PQresultStatus(r) == PGRES_TUPLES_OK ? atol(PQgetvalue(r, 0, 0)) : -1;
  PQclear(r);
  return n;
}

template <typename Done>
bool waitUntil(Rig& rig, Done done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    rig.pump();
    QThread::usleep(500);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (qEnvironmentVariableIsEmpty("ZUL_SOURCE_DIR")) qputenv("ZUL_SOURCE_DIR", ZUL_SOURCE_DIR);
  PgCluster pg;
  if (const QString why = pg.Start(); !why.isEmpty()) {
    fprintf(stderr, "bench_database: %s\n", qPrintable(why));
    return 1;
  }
  const QString socketUrl =
      QStringLiteral("host=%1 port=%2 user=zultest dbname=zul").arg(pg.SocketDir()).arg(pg.Port());
  PGconn* reader = PQconnectdb(socketUrl.toUtf8().constData());
  if (PQstatus(reader) != CONNECTION_OK) {
    fprintf(stderr, "bench_database: %s", PQerrorMessage(reader));
    return 1;
  }
  // The loggers' password, as libpq's password file gives it.
  QTemporaryDir home;
  const QString pgpass = home.filePath("pgpass");
  QFile pass(pgpass);
  pass.open(QIODevice::WriteOnly);
  pass.write("*:*:*:gate:gate-pw\n");
  pass.close();
  pass.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  qputenv("PGPASSFILE", QFile::encodeName(pgpass));

  // ---- latency: each call waits for its row ----
  const int kCalls = qEnvironmentVariableIntValue("ZUL_BENCH_CALLS") > 0
                         ? qEnvironmentVariableIntValue("ZUL_BENCH_CALLS")
                         : 1000;
  QList<double> ms;
  double withDb = 0, withDbAtStart = 0;
  QString grew;  // resident memory as the calls go
  {
    Rig rig(pg.Url());
    withDbAtStart = residentMb(rig.logger.processId());
    for (int i = 0; i < kCalls; ++i) {
      QElapsedTimer t;
      t.start();
      rig.call();
      if (!waitUntil(
              rig, [&] { return rows(reader) == i + 1; }, 10000)) {
        fprintf(stderr, "bench_database: call %d never reached the table\n", i);
        return 1;
      }
      ms << t.nsecsElapsed() / 1e6;
      if ((i + 1) % 250 == 0)
        grew += QStringLiteral(" %1").arg(residentMb(rig.logger.processId()), 0, 'f', 1);
    }
    withDb = residentMb(rig.logger.processId());
  }
  std::sort(ms.begin(), ms.end());
  printf("call to row, %d calls: median %.1f ms, 90 %% %.1f ms, worst %.1f ms\n", kCalls,
         ms[kCalls / 2], ms[kCalls * 9 / 10], ms.last());

  // ---- memory without a database: the same calls ----
  double without = 0, withoutAtStart = 0;
  {
    Rig rig{QString()};
    withoutAtStart = residentMb(rig.logger.processId());
    for (int i = 0; i < kCalls; ++i) {
      rig.call();
      waitUntil(
          rig, [&] { return rig.lines() == i + 1; }, 10000);
    }
    without = residentMb(rig.logger.processId());
  }
  printf(
      "resident memory at the start / after %d calls: %.1f / %.1f MB without a database, "
      "%.1f / %.1f MB with one (after each 250 calls:%s MB)\n",
      kCalls, withoutAtStart, without, withDbAtStart, withDb, qPrintable(grew));

  // ---- catch-up: an hour of the test clock (60 times as fast) without the server ----
  PQclear(PQexec(reader, "DELETE FROM admissions WHERE unit = 'bench'"));
  {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    Rig rig(pg.Url(), program("zulset-cli-testclock"),
            QByteArray::number(now) + ' ' + QByteArray::number(now) + " 60");
    PQfinish(reader);
    pg.Stop(QStringLiteral("immediate"));
    for (int i = 0; i < 60; ++i) {
      rig.call();  // one a virtual minute
      waitUntil(
          rig, [] { return false; }, 1000);
    }
    QElapsedTimer t;
    t.start();
    pg.StartAgain();
    const double up = t.nsecsElapsed() / 1e6;
    reader = PQconnectdb(socketUrl.toUtf8().constData());
    if (!waitUntil(
            rig, [&] { return rows(reader) == 60; }, 60000)) {
      fprintf(stderr, "bench_database: the 60 waiting calls did not all arrive\n");
      return 1;
    }
    printf(
        "catch-up of 60 calls after an hour without the server: %.0f ms from pg_ctl start "
        "(the server up after %.0f ms)\n",
        t.nsecsElapsed() / 1e6, up);
  }
  PQfinish(reader);
  return 0;
}
