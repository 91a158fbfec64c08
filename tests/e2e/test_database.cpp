// SPDX-License-Identifier: GPL-3.0-or-later
// zulset-cli log-admissions --database against a PostgreSQL server of the test's own and
// zulsim on a pseudo-terminal: every line of the daily files is one row, whatever happens to
// the server or the logger; refusals are told and the records wait; twenty units into one
// table.
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "support/PgCluster.h"
#include "support/SimCalls.h"

namespace {

bool writeFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A unit (zulsim on ports/com9 of a folder of its own) and a logger on it, whose records go to
// logs/ and to the database; its password in the credential db-password.
class Box {
 public:
  Box(const QString& unit, const QString& url, const QByteArray& password = "gate-pw")
      : name(unit), url(url) {
    QDir().mkpath(dir.filePath("logs"));
    QDir().mkpath(dir.filePath("credentials"));
    setPassword(password);
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start(qEnvironmentVariable("ZULSIM"),
              {"--com", "9", "--ports-dir", dir.filePath("ports"), "--interval", "1", "--demo"});
    up = sim.waitForStarted(5000) && sim.waitForReadyRead(5000);
  }
  ~Box() {
    logger.kill();
    logger.waitForFinished(5000);
    sim.terminate();
    sim.waitForFinished(5000);
  }
  void setPassword(const QByteArray& password) {
    writeFile(dir.filePath("credentials/db-password"), password + "\n");
  }
  // Starts the logger (the database and unit named by `options`, else by --database and
  // --unit) and waits until it listens.
  bool start(const QStringList& options = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CREDENTIALS_DIRECTORY", dir.filePath("credentials"));
    logger.setProcessEnvironment(env);
    logger.start(
        qEnvironmentVariable("ZULSET_CLI"),
        QStringList{"--port", dir.filePath("ports/com9")} +
            (options.isEmpty() ? QStringList{"--database", url, "--unit", name} : options) +
            QStringList{"log-admissions", dir.filePath("logs")});
    QElapsedTimer t;
    t.start();
    while (!said.contains("listening") && t.elapsed() < 10000) {
      logger.waitForReadyRead(50);
      pump();
    }
    if (!said.contains("listening")) return false;  // what it said stays, for the failure
    said.clear();
    return true;
  }
  void call(int count) {
    sim.write(SimCallLines(calls, count));
    calls += count;
  }
  void pump() {
    sim.readAllStandardOutput();
    logger.waitForReadyRead(0);
    said += logger.readAllStandardError();
  }
  // Every record line of the daily files: "file|line|text".
  QStringList lines() const {
    QStringList all;
    const QDir logs(dir.filePath("logs"));
    for (const QString& f : logs.entryList({"*.csv"}, QDir::Files, QDir::Name)) {
      QFile file(logs.filePath(f));
      if (!file.open(QIODevice::ReadOnly)) continue;
      const QStringList text = QString::fromLocal8Bit(file.readAll()).split("\r\n");
      for (int l = 0; l + 1 < text.size(); ++l)
        all << QStringLiteral("%1|%2|%3").arg(f).arg(l + 1).arg(text[l]);
    }
    return all;
  }

  QTemporaryDir dir;
  QString name, url;
  QProcess sim, logger;
  QByteArray said;
  int calls = 0;
  bool up = false;
};

}  // namespace

class TestDatabase : public QObject {
  Q_OBJECT

  std::unique_ptr<PgCluster> pg;

  QStringList rows(const QString& unit) {
    return pg->Query(
        QStringLiteral(
            "SELECT file, line, record FROM admissions WHERE unit = '%1' ORDER BY file, line")
            .arg(unit));
  }
  // Lets time pass for the boxes until done() holds.
  bool waitFor(const QList<Box*>& boxes, const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer t;
    t.start();
    for (;;) {
      for (Box* b : boxes) b->pump();
      if (done()) return true;
      if (t.elapsed() > ms) return false;
      QTest::qWait(50);
    }
  }
  // Every line of the box's files is one row of its unit, with the same text, and nothing else
  // is there: a line lost, sent under another number or twice differs. calls < 0: however
  // many the files hold.
  bool delivered(Box& box, int calls, int ms = 20000) {
    return waitFor(
        {&box},
        [&] {
          const QStringList lines = box.lines();
          return (calls < 0 || lines.size() == calls) && rows(box.name) == lines;
        },
        ms);
  }
  QString context(Box& box) {
    return QString::fromLocal8Bit(box.said) + "\nrows: " + QString::number(rows(box.name).size()) +
           ", lines: " + QString::number(box.lines().size());
  }

 private slots:
  void initTestCase() {
    for (const char* program : {"ZULSIM", "ZULSET_CLI"})
      if (!QFileInfo(qEnvironmentVariable(program)).isExecutable())
        QSKIP("ZULSIM and ZULSET_CLI do not name the programs");
    pg = std::make_unique<PgCluster>();
    const QString why = pg->Start();
    if (!why.isEmpty()) QSKIP(qPrintable("No PostgreSQL server for the test: " + why));
  }

  // What a refusal left undone is mended for the next test.
  void cleanup() {
    if (!pg->Running()) pg->StartAgain();
    pg->Query("GRANT zulset_logger TO gate");
    pg->Query("ALTER SYSTEM RESET ssl");
    pg->Query("SELECT pg_reload_conf()");
  }

  // Thirty calls, each one row with its parts; started again with the cursor gone (and the
  // database named by the settings file), the logger sends them all again and they stay thirty.
  void deliveredOnce() {
    Box box("once@test", pg->Url());
    QVERIFY(box.up);
    QVERIFY2(box.start(), box.said.constData());
    box.call(30);
    QVERIFY2(delivered(box, 30), qPrintable(context(box)));
    const QStringList parts = pg->Query(
        "SELECT caller, number, relay, abs(extract(epoch FROM called_at - now())) < 120 FROM "
        "admissions WHERE unit = 'once@test' AND line IN (1, 2) ORDER BY line");
    QCOMPARE(parts,
             (QStringList{"C0000|+420600000000|OUTPUT B|t", "C0001|+420600000001|OUTPUT A|t"}));
    box.logger.terminate();
    QVERIFY(box.logger.waitForFinished(5000));
    QVERIFY(QFile::remove(box.dir.filePath("logs/.zulset-delivered")));
    const QString ini = box.dir.filePath("zulset.ini");
    QVERIFY(writeFile(ini, "[Database]\r\nURL=" + pg->Url().toUtf8() + "\r\nUnit=once@test\r\n"));
    QVERIFY2(box.start({"--settings", ini}), box.said.constData());
    QVERIFY(
        waitFor({&box}, [&] { return QFile::exists(box.dir.filePath("logs/.zulset-delivered")); }));
    box.call(5);
    QVERIFY2(delivered(box, 35), qPrintable(context(box)));
  }

  // The server goes as in a power cut in the middle of a flood: the calls are in the files at
  // once, wait there, and go in order when it is back; the logger says both.
  void serverStoppedMidFlood() {
    Box box("flood@test", pg->Url());
    QVERIFY(box.up);
    QVERIFY2(box.start(), box.said.constData());
    box.call(100);
    QVERIFY(waitFor({&box}, [&] { return rows(box.name).size() >= 20; }));
    QVERIFY(pg->Stop("immediate"));
    box.call(70);
    QVERIFY2(
        waitFor({&box}, [&] { return box.lines().size() == 170 && box.said.contains("stopped:"); }),
        qPrintable(context(box)));
    QVERIFY(pg->StartAgain());
    QVERIFY2(delivered(box, 170), qPrintable(context(box)));
    QVERIFY2(box.said.contains("works again"), box.said.constData());
    QCOMPARE(
        pg->Query("SELECT count(*) FROM (SELECT received_at < lag(received_at) OVER (ORDER BY "
                  "file, line) AS back FROM admissions WHERE unit = 'flood@test') t WHERE back"),
        QStringList{"0"});
  }

  // A database that hangs (its table locked) holds up neither the line nor the stop: the calls
  // are in the files at once, SIGTERM ends the logger at once, and the next run delivers them.
  void slowDatabase() {
    Box box("slow@test", pg->Url());
    QVERIFY(box.up);
    QVERIFY2(box.start(), box.said.constData());
    QProcess lock;
    lock.start(
        PgCluster::BinDir() + "/psql",
        {"-X", "-q", "-h", pg->SocketDir(), "-p", QString::number(pg->Port()), "-U", "zultest",
         "-d", "zul", "-c", "BEGIN; LOCK TABLE admissions; SELECT pg_sleep(8); COMMIT;"});
    QVERIFY(waitFor({&box}, [&] {
      return pg->Query(
                 "SELECT count(*) FROM pg_locks WHERE mode = 'AccessExclusiveLock' AND "
                 "relation = 'admissions'::regclass") == QStringList{"1"};
    }));
    box.call(20);
    QVERIFY(waitFor(
        {&box}, [&] { return box.lines().size() == 20; }, 4000));
    QElapsedTimer t;
    t.start();
    box.logger.terminate();
    QVERIFY(box.logger.waitForFinished(4000));
    QCOMPARE(box.logger.exitCode(), 0);
    QVERIFY(t.elapsed() < 4000);
    QVERIFY(lock.waitForFinished(15000));
    QVERIFY2(box.start(), box.said.constData());
    QVERIFY2(delivered(box, 20), qPrintable(context(box)));
  }

  // Killed at any point and started again, the logger leaves each call one row.
  void loggerKilled() {
    Box box("killed@test", pg->Url());
    QVERIFY(box.up);
    QVERIFY2(box.start(), box.said.constData());
    for (int round = 0; round < 3; ++round) {
      box.call(60);
      const int before = int(rows(box.name).size());
      QVERIFY(waitFor({&box}, [&] { return rows(box.name).size() > before; }));
      box.logger.kill();
      QVERIFY(box.logger.waitForFinished(5000));
      QVERIFY2(box.start(), box.said.constData());
      // Calls the unit made while it was away may still come from the line.
      QVERIFY2(delivered(box, -1), qPrintable(context(box)));
    }
    // The last of ten more calls is the last row: nothing was still on its way.
    box.call(10);
    const QString last = QStringLiteral("C%1").arg(box.calls - 1, 4, 10, QChar('0'));
    QVERIFY2(waitFor({&box},
                     [&] {
                       const QStringList lines = box.lines();
                       return !lines.isEmpty() && lines.last().contains(last) &&
                              rows(box.name) == lines;
                     }),
             qPrintable(context(box)));
  }

  // What refuses the records is told clearly, the records wait, and they go once it is mended
  // (without a restart); db-check says the same with its exit status.
  void refusals_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("before");  // SQL run first (as superuser, database zul)
    QTest::addColumn<QString>("told");
    QTest::addColumn<int>("check");     // db-check's exit status
    QTest::addColumn<QString>("mend");  // SQL that mends it; "password": the right password
    QTest::newRow("wrong password")
        << pg->Url() << QByteArray("wrong") << QString()
        << "The password is refused: it comes from the credential db-password" << 3 << "password";
    QTest::newRow("no table") << pg->Url("bare") << QByteArray("gate-pw") << "CREATE DATABASE bare"
                              << "has no table admissions" << 1 << "FILE bare";
    QTest::newRow("no right to insert")
        << pg->Url() << QByteArray("gate-pw") << "REVOKE zulset_logger FROM gate"
        << "User gate may not insert into admissions" << 1 << "GRANT zulset_logger TO gate";
    // The default asks for TLS and a certificate it can check.
    QTest::newRow("no TLS on the server") << pg->Url("zul", "") << QByteArray("gate-pw")
                                          << "ALTER SYSTEM SET ssl = off; SELECT pg_reload_conf()"
                                          << "The server offers no TLS" << 3 << QString();
    QTest::newRow("TLS, no authority named")
        << QStringLiteral("postgresql://gate@localhost:%1/zul").arg(pg->Port())
        << QByteArray("gate-pw") << QString() << "name it with sslrootcert=" << 3 << QString();
    QTest::newRow("TLS checked") << QStringLiteral(
                                        "postgresql://gate@localhost:%1/zul?sslrootcert=%2")
                                        .arg(pg->Port())
                                        .arg(pg->CaFile())
                                 << QByteArray("gate-pw") << QString() << QString() << 0
                                 << QString();
  }
  void refusals() {
    QFETCH(QString, url);
    QFETCH(QByteArray, password);
    QFETCH(QString, before);
    QFETCH(QString, told);
    QFETCH(int, check);
    QFETCH(QString, mend);
    const QString unit = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-');
    for (const QString& sql : before.split(';', Qt::SkipEmptyParts))
      QCOMPARE(pg->Query(sql).filter("ERROR"), QStringList());
    Box box(unit, url, password);
    QVERIFY(box.up);

    QProcess dbCheck;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CREDENTIALS_DIRECTORY", box.dir.filePath("credentials"));
    dbCheck.setProcessEnvironment(env);
    dbCheck.start(qEnvironmentVariable("ZULSET_CLI"), {"db-check", url});
    QVERIFY(dbCheck.waitForFinished(20000));
    const QString checked = QString::fromLocal8Bit(dbCheck.readAllStandardError());
    QVERIFY2(dbCheck.exitCode() == check && checked.contains(told), qPrintable(checked));

    QVERIFY2(box.start(), box.said.constData());
    box.call(3);
    if (!told.isEmpty()) {
      QVERIFY2(waitFor({&box}, [&] { return box.said.contains(told.toUtf8()); }),
               qPrintable(context(box)));
      QVERIFY2(QString::fromLocal8Bit(box.said).contains(
                   QRegularExpression("\\d admission records wait in")),
               box.said.constData());
      QCOMPARE(box.lines().size(), 3);
      QVERIFY(!box.said.contains("gate-pw"));
    }
    if (mend == "password")
      box.setPassword("gate-pw");
    else if (mend.startsWith("FILE "))
      QVERIFY(pg->RunFile(qEnvironmentVariable("ZUL_SOURCE_DIR") + "/packaging/admissions.sql",
                          mend.mid(5)));
    else
      for (const QString& sql : mend.split(';', Qt::SkipEmptyParts))
        QCOMPARE(pg->Query(sql).filter("ERROR"), QStringList());
    if (told.isEmpty() || !mend.isEmpty()) {
      const QString db = url.contains("/bare") ? "bare" : "zul";
      QVERIFY2(waitFor({&box},
                       [&] {
                         return pg->Query(QStringLiteral(
                                              "SELECT count(*) FROM admissions WHERE unit = '%1'")
                                              .arg(unit),
                                          db) == QStringList{"3"};
                       }),
               qPrintable(context(box)));
    }
  }

  // Twenty units, each with its logger, into one table: each call once, under its unit.
  void twentyUnits() {
    std::vector<std::unique_ptr<Box>> boxes;
    QList<Box*> all;
    for (int u = 0; u < 20; ++u) {
      boxes.push_back(std::make_unique<Box>(QStringLiteral("unit%1@test").arg(u), pg->Url()));
      all << boxes.back().get();
      QVERIFY(boxes.back()->up);
      QVERIFY2(boxes.back()->start(), boxes.back()->said.constData());
    }
    for (Box* b : all) b->call(10);
    const bool done = waitFor(
        all,
        [&] {
          return pg->Query("SELECT count(*) FROM admissions WHERE unit LIKE 'unit%@test'") ==
                 QStringList{"200"};
        },
        30000);
    for (Box* b : all)
      QVERIFY2(b->lines().size() == 10 && rows(b->name) == b->lines(), qPrintable(context(*b)));
    QVERIFY(done);
  }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "test_database.moc"
