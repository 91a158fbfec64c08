// SPDX-License-Identifier: GPL-3.0-or-later
// zulset-cli against zulsim on a pseudo-terminal: every command, faults struck in the middle of a
// chain from zulsim's console, the exit status and what the unit holds afterwards (zulsim's state
// file); the admission logger over midnight and the monitor, with the adapter pulled and garbage
// on the line. A unit that stays silent for the watchdog's time is played on virtual time.
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "admissions/AdmissionRecord.h"
#include "cli/CliSession.h"
#include "files/PhoneBookVCard.h"
#include "link/PortNames.h"
#include "support/Rig.h"
#include "support/SmallDisk.h"

namespace {

constexpr int kCapacity = 30;

// Before any thread: a full disk of the tests' own where the system lets them mount one.
const bool kPrivateMounts = PrivateMounts();

QByteArray readFile(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// What the unit holds, from zulsim's state file: phone book lines name=number below entry N in
// entry order, and the SMS as number=text in slot order.
struct Held {
  QStringList book, sms;
  bool saved = false;  // zulsim writes its state only once something changed
};

Held held(const QString& stateFile) {
  Held h;
  h.saved = QFile::exists(stateFile);
  for (const QByteArray& line : readFile(stateFile).split('\n')) {
    const QList<QByteArray> f = line.trimmed().split('\t');
    if (f.value(0) == "phonebook" && f.value(1).toInt() < kCapacity)
      h.book << QString::fromLatin1(f.value(4) + '=' + f.value(3));
    if (f.value(0) == "sms") h.sms << QString::fromLatin1(f.value(3) + '=' + f.value(5));
  }
  return h;
}

// The command line's face on virtual time (see Rig): the user's side is the script's.
class CliRig : public Rig {
 public:
  explicit CliRig(const CliSession::Options& o,
                  const std::function<void(UnitEngine&)>& before = nullptr, int capacity = 250)
      : Rig(withCapacity(capacity), TestClock::defaultStart(), true, 9) {
    if (before) before(unit());
    CoreEnvironment env;
    env.clock = &clock();
    env.serial = &serial();
    env.choosePort = [] { return 0; };
    env.deviceName = [](int n) { return PortDeviceName(n, QString()); };
    session = std::make_unique<CliSession>(env, o);
    session->finished = [this](int s) { status = s; };
    session->say = [this](const QString& text) { said << text; };
    session->Begin();
    started();
  }
  LinkCore& core() override { return session->core(); }
  void press(Chain) override {}
  bool simButtonsUsable() override { return false; }
  QStringList grid() override { return core().PhoneBookLines; }
  bool gridEditable() override { return false; }
  void setGrid(const QStringList&) override {}
  SmsPair pair(int k) override { return core().Pairs[k]; }
  void setPair(int, const QString&, const QString&) override {}
  QStringList admissions() override { return {}; }
  QList<QByteArray> monitor() override { return {}; }

  std::unique_ptr<CliSession> session;
  int status = -1;
  QStringList said;

 private:
  static UnitEngine::Options withCapacity(int capacity) {
    UnitEngine::Options o;
    o.capacity = capacity;
    return o;
  }
};

// zulsim on dir/ports/com9 with its console, and what it logged.
class Sim {
 public:
  Sim(const QString& program, const QTemporaryDir& dir) : port(dir.filePath("ports/com9")) {
    process.start(program, {"--com", "9", "--ports-dir", dir.filePath("ports"), "--interval", "2",
                            "--capacity", QString::number(kCapacity), "--demo"});
    up = process.waitForStarted(5000) && process.waitForReadyRead(5000);
  }
  ~Sim() {
    process.terminate();
    process.waitForFinished(5000);
  }
  void type(const QByteArray& lines) { process.write(lines); }
  // Lets time pass, gathering what zulsim and the listening program say, until done() holds.
  bool waitFor(const std::function<bool()>& done, int ms = 30000, QProcess* other = nullptr) {
    QElapsedTimer t;
    t.start();
    for (;;) {
      process.waitForReadyRead(10);
      log += process.readAllStandardError();
      if (other) {
        other->waitForReadyRead(0);  // a QProcess reads its pipes only when asked or in the loop
        said += other->readAllStandardError();
      }
      if (done()) return true;
      if (t.elapsed() > ms) return false;
    }
  }
  // `cli` log-admissions into `folder` on this unit's port, once the line shows it opened.
  bool startLogger(QProcess& run, const QString& cli, const QString& folder) {
    const int before = escapes();
    said.clear();
    run.start(cli, {"--port", port, "log-admissions", folder});
    return waitFor([&] { return escapes() > before; }, 10000, &run);
  }
  // ESC comes first from every program that opens or takes back the port, and last from a
  // listener that ends: how often zulsim has heard the line opened or left.
  int escapes() const { return int(log.count("<- <ESC>")); }

  QProcess process;
  QString port;
  bool up = false;
  QByteArray log, said;
};

}  // namespace

class TestCli : public QObject {
  Q_OBJECT

  QString zulsim, cli;
  bool strictUnit = false;  // zulsim --strict for the next run()

  struct Run {
    int status = -1;
    QString err;
    Held unit;
    QByteArray file;
    QByteArray out;  // standard output
  };

  // zulsim (capacity 30, a report every 2 s, the demo set) on dir/ports/com9, and the command
  // line with args; when zulsim's log shows a command matching `when`, `console` is typed into
  // zulsim once.
  Run run(const QTemporaryDir& dir, const QStringList& args, const QString& when = QString(),
          const QByteArray& console = QByteArray(), const QString& program = QString()) {
    Run r;
    const QString state = dir.filePath("unit.state");
    QProcess unit;
    QStringList options{"--com",      "9",       "--ports-dir", dir.filePath("ports"),
                        "--interval", "2",       "--capacity",  QString::number(kCapacity),
                        "--demo",     "--state", state};
    if (strictUnit) options << "--strict";
    unit.start(zulsim, options);
    if (!unit.waitForStarted(5000) || !unit.waitForReadyRead(5000)) return r;
    QProcess tool;
    tool.setWorkingDirectory(dir.path());
    tool.start(program.isEmpty() ? cli : program, args);
    const QRegularExpression trigger(when);
    QByteArray log;
    bool struck = when.isEmpty();
    QElapsedTimer t;
    t.start();
    while (!tool.waitForFinished(20) && t.elapsed() < 120000) {
      unit.waitForReadyRead(0);
      log += unit.readAllStandardError();
      for (const QByteArray& line : log.split('\n'))
        if (!struck && line.startsWith("<- ") &&
            trigger.match(QString::fromLatin1(line)).hasMatch()) {
          unit.write(console + '\n');
          struck = true;
        }
    }
    r.status = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    r.err = QString::fromLocal8Bit(tool.readAllStandardError());
    r.out = tool.readAllStandardOutput();
    unit.terminate();
    unit.waitForFinished(5000);
    r.unit = held(state);
    if (!struck) r.err += "\n(the fault was never struck)";
    return r;
  }

 private slots:
  void initTestCase() {
    zulsim = qEnvironmentVariable("ZULSIM");
    cli = qEnvironmentVariable("ZULSET_CLI");
    if (!QFileInfo(zulsim).isExecutable() || !QFileInfo(cli).isExecutable())
      QSKIP("ZULSIM and ZULSET_CLI do not name the programs");
  }

  // Each command on a unit that behaves; then each with a fault struck in its middle.
  void commands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("when");        // the command zulsim has just received
    QTest::addColumn<QByteArray>("console");  // what is then typed into zulsim
    QTest::addColumn<int>("status");
    QTest::newRow("load-sim") << "load-sim"
                              << "" << QByteArray() << 0;
    QTest::newRow("overwrite-sim") << "overwrite-sim"
                                   << "" << QByteArray() << 1;
    QTest::newRow("add-to-sim") << "add-to-sim"
                                << "" << QByteArray() << 1;
    QTest::newRow("load-smss") << "load-smss"
                               << "" << QByteArray() << 0;
    QTest::newRow("save-smss") << "save-smss"
                               << "" << QByteArray() << 0;
    QTest::newRow("delete-smss") << "delete-smss"
                                 << "" << QByteArray() << 0;
    // The answer to the second row is lost: not written twice, the read-back finds it.
    QTest::newRow("add-to-sim, answer lost") << "add-to-sim"
                                             << "AT\\+CPBW=,\\+420111" << QByteArray("lose 1") << 1;
    QTest::newRow("add-to-sim, report before the answer")
        << "add-to-sim"
        << "AT\\+CPBW=,\\+420111" << QByteArray("between") << 1;
    QTest::newRow("load-smss, report without OK before the answer")
        << "load-smss"
        << "AT\\+CPBR=\\?" << QByteArray("between nook") << 0;
    // The unit restarts on the read (its answer lost, echo on again): the read sent again is
    // said back, and the echo is no entry.
    QTest::newRow("load-sim, unit restarted") << "load-sim"
                                              << "AT\\+CMGF\\?" << QByteArray("restart 1") << 0;
    // The adapter pulled out while rows are written: what is not on the unit is named.
    QTest::newRow("overwrite-sim, adapter pulled")
        << "overwrite-sim"
        << "AT\\+CPBW=,\\+420222" << QByteArray("vanish 4") << 1;
    QTest::newRow("save-smss, adapter pulled")
        << "save-smss"
        << "AT\\+CMGW=\\+420888" << QByteArray("vanish 4") << 1;
    // The phone book as contacts: the file's name says so.
    QTest::newRow("load-sim, into a .vcf") << "load-sim"
                                           << "" << QByteArray() << 0;
    QTest::newRow("overwrite-sim, from a .vcf") << "overwrite-sim"
                                                << "" << QByteArray() << 1;
    // A unit that gives no more than its AT interface promises ("strict " before the command).
    for (const char* c :
         {"load-sim", "overwrite-sim", "add-to-sim", "load-smss", "save-smss", "delete-smss"})
      QTest::addRow("strict %s", c)
          << QStringLiteral("strict %1").arg(c) << "" << QByteArray()
          << (QByteArray(c).endsWith("-sim") && QByteArray(c) != "load-sim" ? 1 : 0);
    // From the first row on, ERROR to everything: the chain ends, naming every row.
    QTest::newRow("strict add-to-sim, ERROR to everything")
        << "strict add-to-sim"
        << "AT\\+CPBW=,\\+420111" << QByteArray("errors") << 1;
    // The unit falls silent at the census: the chain ends within its bound, no link.
    QTest::newRow("add-to-sim, unit silent") << "add-to-sim"
                                             << "AT\\+CPBR=1,30" << QByteArray("silent 200") << 3;
  }

  void commands() {
    QFETCH(QString, command);
    strictUnit = command.startsWith("strict ");
    if (strictUnit) command = command.mid(7);
    QFETCH(QString, when);
    QFETCH(QByteArray, console);
    QFETCH(int, status);
    QTemporaryDir dir;
    const QStringList rows{"A1=+420111", "A2=+420222", "A3=+420333", "RTIME=07", "BAD=12 3"};
    const QStringList pairs{"+420999=Hello one", "+420888=Two", "=", "=", "+420777=Five", "="};
    const bool vcf = QByteArray(QTest::currentDataTag()).endsWith(".vcf");
    const QString book = dir.filePath(vcf ? "book.vcf" : "book.phb"), set = dir.filePath("set.sms");
    QByteArray bookBytes = vcf ? FileCharset::Utf8().EncodeLines(VCardLinesFromPhoneBook(rows))
                               : rows.join("\r\n").toLatin1() + "\r\n",
               setBytes;
    for (const QString& p : pairs)
      setBytes += p.section('=', 0, 0).toLatin1() + "\r\n" + p.section('=', 1).toLatin1() + "\r\n";
    QVERIFY(writeFile(book, bookBytes) && writeFile(set, setBytes));
    const bool phb = command.endsWith("sim");
    const QString file = command == "delete-smss" ? QString() : phb ? book : set;
    QStringList args{"--port", dir.filePath("ports/com9"), command};
    // BAD is sent as it stands, for the SIM to refuse.
    if (phb && command != "load-sim") args << "--force";
    if (!file.isEmpty()) args << file;

    // The demo set as the unit holds it before.
    Held before;
    before.book = QStringList{"ADMIN1=+420603123456",
                              "ADMIN2=+420777111222",
                              "ALARM1=+420608555111",
                              "ALARM8=+420736444333",
                              "CRED=*101#",
                              "OPER=+420800123456",
                              "NOVAK=+420721333444",
                              "DVORAK=+420602987654",
                              "SVOBODA=+420739000111",
                              "KRAL=+420605246810",
                              "RTIME=05"};
    const Run r = run(dir, args, when, console);
    qInfo("%s: exit %d; %s", qPrintable(command), r.status, qPrintable(r.err.simplified()));
    QCOMPARE(r.status, status);
    // No link: nothing changed on the unit, and what is not on it is named.
    if (status == 3) {
      QVERIFY(!r.unit.saved && r.err.contains("may not be on the SIM"));
      return;
    }
    const bool pulled = console.startsWith("vanish");
    if (pulled)
      QVERIFY(r.err.contains("no longer available") && r.err.contains("may not be on the SIM"));

    if (command == "load-sim") {
      QCOMPARE(vcf ? PhoneBookFromVCard(readFile(book), 13).lines
                   : QString::fromLatin1(readFile(book)).split("\r\n", Qt::SkipEmptyParts),
               before.book);
    } else if (command == "overwrite-sim" || command == "add-to-sim") {
      // Each row once, or named as maybe not on the unit (then there at most once); the row the
      // SIM refuses is named; nothing else.
      QStringList left = r.unit.book;
      if (command == "add-to-sim")  // the file's RTIME takes the entry of the old one
        for (const QString& row : before.book) QVERIFY(row == "RTIME=05" || left.removeOne(row));
      // unless it was not written
      if (command == "add-to-sim" && r.err.contains("RTIME (07)")) left.removeOne("RTIME=05");
      for (const QString& row : rows) {
        const bool named =
            r.err.contains(row.section('=', 0, 0) + " (" + row.section('=', 1) + ")");
        const bool there = left.removeOne(row);
        QVERIFY2(there || named, qPrintable(row));
      }
      QVERIFY(r.err.contains("BAD (12 3)"));
      QVERIFY(r.err.contains(QFileInfo(file).fileName() + ": row 5: BAD=12 3: Incorrect number"));
      QVERIFY2(left.isEmpty(), qPrintable(left.join(" | ")));
    } else if (command == "load-smss") {
      QVERIFY(!r.unit.saved);
      const QStringList fields{"+420603123456",  "Unit is on",    "+420603123456",
                               "Input 1 alarm!", "+420603123456", "Input 2 alarm!",
                               "+420777111222",  "Gate open",     "+420777111222",
                               "Gate closed",    "+420608555111", "Power failure (mains)"};
      QCOMPARE(QString::fromLatin1(readFile(set)).split("\r\n").mid(0, 12), fields);
    } else if (command == "save-smss") {
      for (int k = 0; k < 6; ++k) {
        const QString pair = QStringLiteral("%1: %2 \"%3\"")
                                 .arg(k + 1)
                                 .arg(pairs[k].section('=', 0, 0), pairs[k].section('=', 1));
        const int count = int(r.unit.sms.count(pairs[k]));
        if (pairs[k] != "=")
          QVERIFY2(count == 1 || (count == 0 && r.err.contains(pair)),
                   qPrintable(r.unit.sms.join(" | ")));
      }
    } else if (command == "delete-smss") {
      QVERIFY(r.unit.saved && r.unit.sms.isEmpty());
    }
  }

  // The port as a COM number, found as the window finds it: ports/com9 beside the program.
  void comNumberBesideTheProgram() {
    QTemporaryDir dir;
    const QString copy = dir.filePath("zulset-cli");
    QVERIFY(QFile::copy(cli, copy));
    const Run r =
        run(dir, {"--port", "COM9", "load-sim", "got.phb"}, QString(), QByteArray(), copy);
    QCOMPARE(r.status, 0);
    QVERIFY(readFile(dir.filePath("got.phb")).startsWith("ADMIN1=+420603123456\r\n"));
  }

  // add-to-sim with a backup: the SIM read into it before anything changes, and the rows it
  // holds already (same name and number) left out and counted.
  void addToSimLeavesOutWhatIsThere() {
    QTemporaryDir dir;
    const QString book = dir.filePath("add.phb"), backup = dir.filePath("before.phb");
    QVERIFY(writeFile(book, "NOVAK=+420721333444\r\nKRAL=+420605246810\r\nKRAL=+420605000000\r\n"));
    const Run r =
        run(dir, {"--port", dir.filePath("ports/com9"), "--backup", backup, "add-to-sim", book});
    QVERIFY2(r.status == 0, qPrintable(r.err));
    QVERIFY2(r.err.contains("2 rows are on the SIM already and were left out."), qPrintable(r.err));
    QVERIFY(r.err.contains("The SIM phone book was saved to " + backup));
    QVERIFY(readFile(backup).startsWith("ADMIN1=+420603123456\r\n"));
    QCOMPARE(r.unit.book.count("NOVAK=+420721333444"), 1);
    QCOMPARE(r.unit.book.count("KRAL=+420605000000"), 1);
  }

  // "-" is standard output for what a load reads; messages stay on standard error.
  void loadToStandardOutput() {
    QTemporaryDir dir;
    Run r = run(dir, {"--port", dir.filePath("ports/com9"), "load-sim", "-"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("ADMIN1=+420603123456\r\nADMIN2=+420777111222\r\n"),
             r.out.constData());
    QVERIFY(!QFile::exists(dir.filePath("-")));
    r = run(dir, {"--port", dir.filePath("ports/com9"), "load-smss", "-"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("+420603123456\r\nUnit is on\r\n"), r.out.constData());
  }

  // Someone at a terminal reads from the first second on what the run waits for, then the
  // progress of every chain.
  void waitingAndProgress_data() {
    QTest::addColumn<int>("chain");
    QTest::addColumn<QString>("progress");
    QTest::newRow("load-sim") << int(Chain::LoadSim) << "rows read: 11";
    QTest::newRow("load-smss") << int(Chain::LoadSms) << "SMS read: 6";
    QTest::newRow("save-smss") << int(Chain::SaveSms) << "pairs saved: 5 of 6";
    QTest::newRow("delete-smss") << int(Chain::DeleteSms) << "slots deleted:";
  }

  void waitingAndProgress() {
    QFETCH(int, chain);
    QFETCH(QString, progress);
    CliSession::Options o;
    o.chain = Chain(chain);
    o.port = 9;
    o.file = QDir::temp().filePath("zulset-cli-progress");
    CliRig rig(o);
    QStringList shown;
    qint64 firstAt = -1;
    rig.session->progress = [&](const QString& line) {
      if (firstAt < 0) firstAt = rig.clock().elapsed();
      shown << line;
    };
    QVERIFY(rig.runUntil([&] { return rig.status >= 0; }, 120000));
    QFile::remove(o.file);
    QCOMPARE(rig.status, int(CliSession::Done));
    QVERIFY2(firstAt >= 0 && firstAt <= 1100, qPrintable(QString::number(firstAt)));
    QVERIFY2(shown.value(0).startsWith("waiting for the unit"), qPrintable(shown.join(" | ")));
    QVERIFY(shown.value(0).contains("COM9 ("));
    QVERIFY2(shown.filter(progress).size() > 0, qPrintable(shown.join(" | ")));
    QCOMPARE(shown.last(), QString());  // cleared before the end
  }

  // Exit statuses that need no unit.
  void usageAndFiles_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("no command") << QStringList() << 2 << "no command given";
    QTest::newRow("unknown") << QStringList{"--port", "COM1", "erase"} << 2 << "unknown command";
    QTest::newRow("no port") << QStringList{"load-sim", "x.phb"} << 2 << "needs --port";
    QTest::newRow("no file") << QStringList{"--port", "COM1", "add-to-sim"} << 2 << "one file";
    QTest::newRow("file unreadable")
        << QStringList{"--port", "COM1", "add-to-sim", "none.phb"} << 2 << "Cannot open file";
    QTest::newRow("cannot write") << QStringList{"--port", "COM1", "load-sim", "nodir/x.phb"} << 2
                                  << "cannot write";
    QTest::newRow("no such port") << QStringList{"--port", "/dev/nonexistent", "delete-smss"} << 3
                                  << "Specified comport doesn't exist.";
    QTest::newRow("log-admissions, no folder")
        << QStringList{"--port", "COM1", "log-admissions"} << 2 << "takes one folder";
    QTest::newRow("log-admissions, folder missing")
        << QStringList{"--port", "COM1", "log-admissions", "nodir"} << 2 << "cannot write into";
    QTest::newRow("prefix with a folder")
        << QStringList{"--port", "COM1", "--prefix", "a/b", "log-admissions", "."} << 2
        << "without a folder";
    QTest::newRow("relay name for monitor")
        << QStringList{"--port", "COM1", "--relay-a", "X", "monitor"} << 2
        << "is for log-admissions";
    // The password is never on a command line, where every user of the box can read it.
    QTest::newRow("database URL with a password")
        << QStringList{"--port",         "COM1", "--database", "postgresql://gate:pw@db/zul",
                       "log-admissions", "."}
        << 2 << "the database URL holds a password";
    QTest::newRow("db-check, not a URL")
        << QStringList{"db-check", "postgresql://[db"} << 2 << "not a database URL";
    QTest::newRow("db-check, no URL") << QStringList{"db-check"} << 2 << "takes one database URL";
    // A file the user names under /usr is the user's business (nothing is written: no port).
    if (QFileInfo(QStringLiteral("/usr/local")).isWritable())
      QTest::newRow("writable under /usr")
          << QStringList{"--port", "/dev/nonexistent", "load-sim", "/usr/local/zulset-cli.phb"} << 3
          << "Specified comport doesn't exist.";
    QTest::newRow("verify, faults")
        << QStringList{"verify", "faulty.phb"} << 1 << "row 2: X=12a: Incorrect number";
    QTest::newRow("verify, clean") << QStringList{"verify", "clean.phb"} << 0 << "";
    // One language a run, the locale's: a settings file in another changes no message.
    QTest::newRow("verify, translated")
        << QStringList{"LC_ALL=de_DE.UTF-8", "--settings", "de.ini", "verify", "faulty.phb"} << 1
        << "faulty.phb: Zeile 3: TOOLONGNAME=1: Name zu lang";
    QTest::newRow("verify, the settings' language is not the run's")
        << QStringList{"--settings", "de.ini", "verify", "faulty.phb"} << 1
        << "faulty.phb: row 3: TOOLONGNAME=1: Too long name";
    QTest::newRow("verify, reserved values")
        << QStringList{"verify", "reserved.phb"} << 1
        << "reserved.phb: row 1: RTIME=999: Relay time is two digits\n"
           "reserved.phb: row 2: ALARM9=: No such reserved name (1 to 8)\n"
           "reserved.phb: row 4: +420111: Number without name\n"
           "reserved.phb: 3 of 4 rows with faults";
    // Checked before the port is opened: nothing reaches the unit.
    QTest::newRow("overwrite-sim, faults")
        << QStringList{"--port", "/dev/nonexistent", "overwrite-sim", "faulty.phb"} << 2
        << "faulty.phb: row 2: X=12a: Incorrect number\n"
           "faulty.phb: row 3: TOOLONGNAME=1: Too long name\n"
           "faulty.phb: 2 of 3 rows with faults\n"
           "Nothing was sent to the unit (--force writes the rows as they stand).";
    QTest::newRow("add-to-sim, faults")
        << QStringList{"--port", "/dev/nonexistent", "add-to-sim", "reserved.phb"} << 2
        << "3 of 4 rows with faults";
    QTest::newRow("add-to-sim, faults, --force")
        << QStringList{"--port", "/dev/nonexistent", "--force", "add-to-sim", "reserved.phb"} << 3
        << "/dev/nonexistent: Specified comport doesn't exist.";
    QTest::newRow("--force elsewhere")
        << QStringList{"--port", "COM1", "--force", "load-sim", "x.phb"} << 2
        << "--force is for overwrite-sim and add-to-sim";
    QTest::newRow("backup cannot be written")
        << QStringList{"--port", "COM1", "--backup", "nodir/b.phb", "overwrite-sim", "clean.phb"}
        << 2 << "cannot write the backup nodir/b.phb";
    QTest::newRow("SMS file unreadable") << QStringList{"--port", "COM1", "save-smss", "none.sms"}
                                         << 2 << "none.sms: File not found";
    QTest::newRow("verify, contacts")
        << QStringList{"verify", "phone.vcf"} << 0
        << "These were given names the unit can hold (1):\nJan Dvořák (+420 603 111 222) as "
           "JANDVORA";
    QTest::newRow("add-to-sim, no vCard")
        << QStringList{"--port", "COM1", "add-to-sim", "broken.vcf"} << 2
        << "broken.vcf\" was not loaded: the vCard that begins in line 1 has no END:VCARD.";
  }

  void usageAndFiles() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("faulty.phb"), "ADMIN1=+420111\r\nX=12a\r\nTOOLONGNAME=1\r\n"));
    QVERIFY(writeFile(dir.filePath("clean.phb"), "ADMIN1=+420111\r\nRTIME=5\r\n"));
    QVERIFY(writeFile(dir.filePath("de.ini"), "[Messages]\r\nToo long name=Name zu lang\r\n"));
    QVERIFY(
        writeFile(dir.filePath("reserved.phb"), "RTIME=999\r\nALARM9=\r\nADMIN1=\r\n+420111\r\n"));
    QVERIFY(
        writeFile(dir.filePath("phone.vcf"),
                  "BEGIN:VCARD\nVERSION:3.0\nFN:Jan Dvořák\nTEL:+420 603 111 222\nEND:VCARD\n"));
    QVERIFY(writeFile(dir.filePath("broken.vcf"), "BEGIN:VCARD\nFN:A\nTEL:1\n"));
    QProcess tool;
    tool.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", args.value(0).startsWith("LC_ALL=") ? args.takeFirst().mid(7) : "C");
    tool.setProcessEnvironment(env);
    tool.start(cli, args);
    QVERIFY(tool.waitForFinished(10000));
    const QString err = QString::fromLocal8Bit(tool.readAllStandardError());
    QCOMPARE(tool.exitCode(), status);
    QVERIFY2(said.isEmpty() ? err.isEmpty() : err.contains(said), qPrintable(err));
  }

  // A unit that never reports: no link once the watchdog's time has passed (virtual time).
  void silentUnitIsNoLink() {
    CliSession::Options o;
    o.chain = Chain::DeleteSms;
    o.port = 9;
    CliRig rig(o);
    rig.unit().setReportInterval(0);
    QVERIFY(rig.runUntil([&] { return rig.status >= 0; }, 200000));
    QCOMPARE(rig.status, int(CliSession::NoLink));
    QVERIFY(rig.clock().elapsed() > 100000);
    QVERIFY(rig.unit().messages().size() == 6);  // nothing was deleted
    QVERIFY(rig.said.join("").contains("COM9 (/dev/ttyS8): no link"));
  }

  // The SIM's last entry is OUT's: rows with no other free entry are held back and named (exit
  // 1), and a caller found there is named, which alone leaves the command done (exit 0).
  void lastEntry_data() {
    QTest::addColumn<int>("chain");
    QTest::addColumn<int>("taken");       // entries 1 to this hold other callers first
    QTest::addColumn<QByteArray>("inN");  // the name in entry N ("": empty)
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("said");
    const QString noRoom = "No entry known to be free was left for them: entry 10 is kept for OUT.";
    const QString hidden = "Entry 10 of the SIM, kept for OUT, holds INTRUDER (+420666)";
    QTest::newRow("add-to-sim, one entry free")
        << int(Chain::AddToSim) << 8 << QByteArray() << 1
        << QStringList{"Not written to the SIM (2):", "B (+420402)", "C (+420403)", noRoom};
    QTest::newRow("add-to-sim, a caller in N")
        << int(Chain::AddToSim) << 0 << QByteArray("INTRUDER") << 0 << QStringList{hidden};
    QTest::newRow("overwrite-sim, a caller in N")
        << int(Chain::OverwriteSim) << 8 << QByteArray("INTRUDER") << 0 << QStringList{hidden};
    QTest::newRow("add-to-sim, full, a caller in N")
        << int(Chain::AddToSim) << 9 << QByteArray("INTRUDER") << 1
        << QStringList{"Not written to the SIM (3):", noRoom, hidden};
  }

  void lastEntry() {
    QFETCH(int, chain);
    QFETCH(int, taken);
    QFETCH(QByteArray, inN);
    QFETCH(int, status);
    QFETCH(QStringList, said);
    CliSession::Options o;
    o.chain = Chain(chain);
    o.port = 9;
    o.phoneBook = QStringList{"A=+420401", "B=+420402", "C=+420403"};
    CliRig rig(
        o,
        [&](UnitEngine& u) {
          for (int i = 1; i <= 10; ++i) u.removeEntry(i);
          for (int i = 1; i <= taken; ++i) u.setEntry(i, "+42050" + QByteArray::number(i), "P");
          if (!inN.isEmpty()) u.setEntry(10, "+420666", inN);
        },
        10);
    QVERIFY(rig.runUntil([&] { return rig.status >= 0; }, 120000));
    const QString told = rig.said.join('\n');
    qInfo("exit %d: %s", rig.status, qPrintable(QString(told).replace('\n', " | ")));
    QCOMPARE(rig.status, status);
    for (const QString& text : said) QVERIFY2(told.contains(text), qPrintable(text));
    // Nothing but the caller that was there lies in entry N.
    QCOMPARE(rig.unit().phoneBook().value(10).name, inN);
  }

  // A run killed in the middle of a save left the unit waiting for a body: the next run's
  // commands are not stored as an SMS.
  void bodyLeftOpenIsCancelled() {
    CliSession::Options o;
    o.chain = Chain::LoadSms;
    o.port = 9;
    o.file = QDir::temp().filePath("zulset-cli-test.sms");
    CliRig rig(o, [](UnitEngine& u) { u.feed("AT+CMGW=+420111\r"); });
    QVERIFY(rig.runUntil([&] { return rig.status >= 0; }, 60000));
    QCOMPARE(rig.status, int(CliSession::Done));
    QCOMPARE(rig.unit().messages().size(), 6);
    QVERIFY(!rig.unit().waitingForBody());
    QFile::remove(o.file);
  }

  // log-admissions over midnight: a thousand calls (every seventh on relay B) in two runs of
  // the logger, the adapter pulled in each, garbage between the calls, the settings read again
  // on SIGHUP, SIGTERM between the runs. Every call is in the file of the day its record bears,
  // exactly once, and calls after midnight in the next day's file. The date and time are the
  // test build's (ZUL_TEST_CLOCK): run 1 at 22:00 on 29 February, run 2 from 23:59:50.
  void logAdmissionsOverMidnight() {
    const QString logger = qEnvironmentVariable("ZULSET_CLI_TESTCLOCK");
    if (!QFileInfo(logger).isExecutable()) QSKIP("ZULSET_CLI_TESTCLOCK names no program");
    QTemporaryDir dir;
    const QString logs = dir.filePath("logs"), ini = dir.filePath("relays.ini");
    QVERIFY(QDir().mkpath(logs));
    Sim unit(zulsim, dir);
    QVERIFY(unit.up);
    const QDate day(2024, 2, 29);
    QProcess run;
    qint64 started = 0;
    auto start = [&](const QDateTime& at, const QStringList& options) {
      unit.said.clear();
      const int before = unit.escapes();
      started = QDateTime::currentMSecsSinceEpoch();
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("ZUL_TEST_CLOCK",
                 QStringLiteral("%1 %2").arg(started).arg(at.toMSecsSinceEpoch()));
      run.setProcessEnvironment(env);
      run.start(logger, QStringList{"--port", dir.filePath("ports/com9")} + options +
                            QStringList{"log-admissions", logs});
      return unit.waitFor([&] { return unit.escapes() > before; }, 10000, &run);
    };
    auto records = [&] {
      QStringList lines;
      for (const QString& f : QDir(logs).entryList(QDir::Files))
        for (const QString& l : QString::fromLocal8Bit(readFile(logs + "/" + f)).split("\r\n"))
          if (!l.isEmpty()) lines << f + "|" + l;
      return lines;
    };
    int calls = 0;
    auto call = [&](int count) {
      QByteArray lines;
      for (int end = calls + count; calls < end; ++calls) {
        if (calls % 7 == 0) lines += "send +CSSU: 0\n";
        lines += QStringLiteral("send +CLCC: 1,1,4,0,0,\"+4206%1\",145,\"C%2\"\n")
                     .arg(calls, 8, 10, QChar('0'))
                     .arg(calls, 4, 10, QChar('0'))
                     .toLatin1();
      }
      unit.type(lines);
      return unit.waitFor([&] { return records().size() == calls; }, 60000, &run);
    };
    auto garbage = [&] {
      unit.type("noise 400\nsend +CSQ: 1x,99\nsend +CLCC: 1,1,4,0,0,\"+4206\nsend " +
                QByteArray(3000, 'x') + "\nsend +CLCC: \"\",,\"\"\n");
    };
    auto pull = [&] {
      const int before = unit.escapes();
      unit.type("vanish 2\n");
      return unit.waitFor(
          [&] { return unit.escapes() > before && unit.said.contains("taken back"); }, 20000, &run);
    };
    auto stop = [&] {
      const int before = unit.escapes();
      run.terminate();
      const bool ended = run.waitForFinished(10000) && run.exitStatus() == QProcess::NormalExit &&
                         run.exitCode() == 0;
      unit.waitFor([&] { return unit.escapes() > before; }, 5000, &run);
      unit.said += run.readAllStandardError();
      return ended && unit.escapes() > before && unit.said.contains("stopped by SIGTERM");
    };

    QVERIFY(start(QDateTime(day, QTime(22, 0)), {"--relay-a", "Gate", "--relay-b", "Garage"}));
    QVERIFY(call(200));
    garbage();
    QVERIFY2(pull(), (unit.said + unit.log.right(2000)).constData());
    QVERIFY(call(200));
    QVERIFY2(stop(), unit.said.constData());

    QVERIFY(writeFile(ini, "[Form]\r\nRelA=Gate2\r\nRelB=Garage2\r\n"));
    QVERIFY(start(QDateTime(day, QTime(23, 59, 50)), {"--settings", ini}));
    QVERIFY(call(300));
    QVERIFY(writeFile(ini, "[Form]\r\nRelA=Gate3\r\nRelB=Garage3\r\n"));
    ::kill(pid_t(run.processId()), SIGHUP);
    QVERIFY(unit.waitFor([&] { return unit.said.contains("again"); }, 10000, &run));
    // Midnight passes for the logger 10 s after its start.
    QTest::qWait(int(std::max<qint64>(0, started + 11000 - QDateTime::currentMSecsSinceEpoch())));
    QVERIFY(call(150));
    QVERIFY2(pull(), (unit.said + unit.log.right(2000)).constData());
    garbage();
    QVERIFY(call(150));
    QVERIFY2(stop(), unit.said.constData());

    const AdmissionClockForm form = SystemClockForm();
    const QString before = "admiss2024-02-29.csv", after = "admiss2024-03-01.csv";
    QStringList both{before, after};
    both.sort();
    QCOMPARE(QDir(logs).entryList(QDir::Files), both);
    QList<int> seen(calls);
    for (const QString& line : records()) {
      static const QRegularExpression record(
          "^(.*)\\|(.*) \\S+;C(\\d{4})  \\(phone: \\+4206(\\d{8})\\)  /(.*)$");
      const QRegularExpressionMatch m = record.match(line);
      QVERIFY2(m.hasMatch(), qPrintable(line));
      const int id = m.captured(3).toInt();
      QVERIFY2(id < calls && m.captured(4).toInt() == id, qPrintable(line));
      ++seen[id];
      const QDate filed = m.captured(1) == before ? day : day.addDays(1);
      QVERIFY2(m.captured(2) == AdmissionDate(filed, form), qPrintable(line));
      if (id >= 700) QCOMPARE(filed, day.addDays(1));
      const QString relay = id % 7 == 0 ? "Garage" : "Gate";
      QCOMPARE(m.captured(5), relay + (id < 400 ? "" : id < 700 ? "2" : "3"));
    }
    for (int id = 0; id < calls; ++id) QVERIFY2(seen[id] == 1, qPrintable(QString::number(id)));
  }

  // log-admissions killed (SIGKILL) in the middle of a flood of calls, 40 a second, and started
  // again: no line torn, no record twice, and every call the unit sent a second before the
  // kill is on the disk.
  void logAdmissionsKilled() {
    QTemporaryDir dir;
    const QString logs = dir.filePath("logs");
    QVERIFY(QDir().mkpath(logs));
    Sim unit(zulsim, dir);
    QVERIFY(unit.up);
    QProcess run;
    QList<qint64> sentAt;  // by call
    auto send = [&](int count) {
      QByteArray lines;
      for (int end = int(sentAt.size()) + count; sentAt.size() < end;) {
        lines += QStringLiteral("send +CLCC: 1,1,4,0,0,\"+4206%1\",145,\"K%2\"\n")
                     .arg(sentAt.size(), 8, 10, QChar('0'))
                     .arg(sentAt.size(), 4, 10, QChar('0'))
                     .toLatin1();
        sentAt << QDateTime::currentMSecsSinceEpoch();
      }
      unit.type(lines);
      unit.waitFor([] { return false; }, 100, &run);
    };
    QMap<int, int> seen;  // call: how often on the disk
    auto read = [&] {
      seen.clear();
      for (const QString& f : QDir(logs).entryList(QDir::Files)) {
        const QByteArray bytes = readFile(logs + "/" + f);
        if (!bytes.isEmpty() && !bytes.endsWith("\r\n")) return false;
        for (const QByteArray& line : bytes.split('\n')) {
          static const QRegularExpression record(
              "^[^;]+;K(\\d{4})  \\(phone: \\+4206(\\d{8})\\)  /OUTPUT A\r$");
          const QRegularExpressionMatch m = record.match(QString::fromLatin1(line));
          if (line.isEmpty()) continue;
          if (!m.hasMatch() || m.captured(1).toInt() != m.captured(2).toInt()) return false;
          ++seen[m.captured(1).toInt()];
        }
      }
      return true;
    };

    QVERIFY(unit.startLogger(run, cli, logs));
    for (int k = 0; k < 25; ++k) send(4);
    const qint64 killedAt = QDateTime::currentMSecsSinceEpoch();
    ::kill(pid_t(run.processId()), SIGKILL);
    send(4);
    QVERIFY(run.state() == QProcess::NotRunning || run.waitForFinished(5000));
    QVERIFY2(read(), "a torn line");
    // A new device behind the link: a pseudo-terminal keeps the killed holder's exclusive claim,
    // which only root passes (an adapter's ends with its last close).
    unit.type("vanish 0.3\n");
    QVERIFY(unit.startLogger(run, cli, logs));
    const int first = int(sentAt.size());
    send(4);
    QVERIFY(unit.waitFor([&] { return read() && seen.contains(first + 3); }, 15000, &run));
    run.terminate();
    QVERIFY(run.waitForFinished(10000));
    QCOMPARE(run.exitCode(), 0);
    QVERIFY2(read(), "a torn line");
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
      QVERIFY2(it.value() == 1, qPrintable(QString::number(it.key())));
    for (int id = 0; id < sentAt.size(); ++id)
      if (sentAt[id] < killedAt - 1000 || id >= first)
        QVERIFY2(seen.contains(id), qPrintable(QString::number(id)));
  }

  // A stop with records that cannot be written: each told in full and the exit status 1. Where
  // only the day's file is in the way they are kept in the spool file, which the next start
  // writes out first, once; on a full disk (a small tmpfs where the test may mount one, else a
  // folder that takes nothing) the journal is all there is of them.
  void logAdmissionsStopWithRecordsWaiting() {
    QTemporaryDir dir;
    const QString logs = dir.filePath("logs");
    QVERIFY(QDir().mkpath(logs));
    Sim unit(zulsim, dir);
    QVERIFY(unit.up);
    QProcess run;
    auto stop = [&] {
      const int before = unit.escapes();
      run.terminate();
      const bool ended = run.waitForFinished(10000) && run.exitStatus() == QProcess::NormalExit;
      unit.said += run.readAllStandardError();
      // The line left last: the next start's comes after it.
      unit.waitFor([&] { return unit.escapes() > before; }, 5000);
      return ended ? run.exitCode() : -1;
    };
    const QString day = "admiss" + QDate::currentDate().toString(Qt::ISODate) + ".csv";
    const QByteArray caller = ";ADMIN2  (phone: +420777111222)  /OUTPUT A";
    auto calls = [&](int n, const QByteArray& told) {
      for (int k = 0; k < n; ++k) unit.type("call +420777111222\n");
      return unit.waitFor([&] { return unit.said.count(told) >= 1; }, 10000, &run);
    };

    QVERIFY(QDir().mkdir(logs + "/" + day));  // a folder where the day's file would go
    QVERIFY(unit.startLogger(run, cli, logs));
    QVERIFY(calls(2, "wait and are tried every second"));
    unit.waitFor([] { return false; }, 500, &run);
    QCOMPARE(stop(), 1);
    QCOMPARE(unit.said.count("admission record not written: " + day.toLatin1() + " "), 2);
    QCOMPARE(unit.said.count(caller + "\n"), 2);
    QVERIFY2(unit.said.contains("kept in " + QFile::encodeName(logs) + "/admiss-waiting.spool"),
             unit.said.constData());
    QVERIFY(QDir().rmdir(logs + "/" + day));
    QVERIFY(unit.startLogger(run, cli, logs));
    QVERIFY(
        unit.waitFor([&] { return readFile(logs + "/" + day).count(caller) == 2; }, 10000, &run));
    QVERIFY(calls(1, "listening"));
    QVERIFY(
        unit.waitFor([&] { return readFile(logs + "/" + day).count(caller) == 3; }, 10000, &run));
    QCOMPARE(stop(), 0);
    QVERIFY2(unit.said.contains("2 admission records a stop left in"), unit.said.constData());
    QCOMPARE(QDir(logs).entryList(QDir::Files), QStringList{day});

    const QString full = dir.filePath("full");
    SmallDisk disk(full, 64);
    // Else a folder that takes nothing once the logger runs, where the test has no privilege.
    if (!disk.Mounted() && ::geteuid() == 0)
      QSKIP("no tmpfs may be mounted here, and root writes anywhere");
    disk.Fill();
    QVERIFY(QDir().mkpath(full));
    QVERIFY(unit.startLogger(run, cli, full));
    if (!disk.Mounted()) QVERIFY(QFile::setPermissions(full, QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(calls(1, "wait and are tried every second"));
    QCOMPARE(stop(), 1);
    QVERIFY2(unit.said.contains("admission record not written: " + day.toLatin1() + " "),
             unit.said.constData());
    QVERIFY2(unit.said.contains("cannot be kept"), unit.said.constData());
    QCOMPARE(QDir(full).entryList(QDir::Files), QStringList());
  }

  // The service's own command lines (packaging/zulset-log@.service), run by hand as systemd
  // would run them, its paths moved into a temporary folder: ExecStart logs with the relay
  // names of the settings in XDG_CONFIG_HOME, ExecReload reads them again, SIGTERM ends it.
  void serviceCommandLines() {
    QTemporaryDir dir;
    QFile unitFile(qEnvironmentVariable("ZUL_SOURCE_DIR") + "/packaging/zulset-log@.service");
    QVERIFY(unitFile.open(QIODevice::ReadOnly));
    QMap<QString, QString> keys;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString root = dir.path();
    for (QString line : QString::fromUtf8(unitFile.readAll()).split('\n')) {
      line.replace("%I", dir.filePath("ports/com9")).replace("%i", "unit9");
      line.replace("/usr/bin/zulset-cli", cli).replace(" /var/", " " + root + "/var/");
      line.replace(" /etc/", " " + root + "/etc/");
      if (line.startsWith("Environment=")) {
        const QString assignment = line.mid(12);
        env.insert(assignment.section('=', 0, 0),
                   assignment.section('=', 1).replace("/etc", root + "/etc"));
      }
      keys[line.section('=', 0, 0)] = line.section('=', 1);
    }
    const QString state = root + "/var/lib/zulset/unit9", ini = root + "/etc/zulset/zulset.ini";
    QVERIFY(QDir().mkpath(state) && QDir().mkpath(root + "/etc/zulset"));
    QVERIFY(writeFile(ini, "[Form]\r\nRelA=Tor\r\n"));
    Sim unit(zulsim, dir);
    QVERIFY(unit.up);
    QProcess run;
    run.setProcessEnvironment(env);
    QStringList args = QProcess::splitCommand(keys["ExecStart"]);
    run.start(args.takeFirst(), args);
    QVERIFY(unit.waitFor([&] { return unit.escapes() > 0; }, 10000, &run));
    const QString day = state + "/admiss" + QDate::currentDate().toString(Qt::ISODate) + ".csv";
    auto calls = [&] { return readFile(day).count("ADMIN2  (phone: +420777111222)"); };
    unit.type("call +420777111222\n");
    QVERIFY2(unit.waitFor([&] { return calls() == 1; }, 10000, &run), unit.said.constData());
    QVERIFY(writeFile(ini, "[Form]\r\nRelA=Vrata\r\n"));
    QStringList reload = QProcess::splitCommand(
        keys["ExecReload"].replace("$MAINPID", QString::number(run.processId())));
    QCOMPARE(QProcess::execute(reload.takeFirst(), reload), 0);
    QVERIFY(unit.waitFor([&] { return unit.said.contains("again"); }, 10000, &run));
    unit.type("call +420777111222\n");
    QVERIFY(unit.waitFor([&] { return calls() == 2; }, 10000, &run));
    run.terminate();
    QVERIFY(run.waitForFinished(10000));
    QCOMPARE(run.exitCode(), 0);
    const QList<QByteArray> lines = readFile(day).split('\n');
    QVERIFY2(lines[0].endsWith("/Tor\r") && lines[1].endsWith("/Vrata\r"),
             readFile(day).constData());
  }

  // monitor: every line with its local time, flushed as it comes, through a pulled adapter;
  // bytes that are no text shown as \xHH; SIGINT ends it with 0.
  void monitor() {
    QTemporaryDir dir;
    Sim unit(zulsim, dir);
    QVERIFY(unit.up);
    QProcess run;
    run.start(cli, {"--port", dir.filePath("ports/com9"), "monitor"});
    QByteArray out;
    auto shown = [&](const QByteArray& text) {
      return unit.waitFor(
          [&] {
            out += run.readAllStandardOutput();
            return out.contains(text);
          },
          15000, &run);
    };
    QVERIFY2(shown("+COPS: 0,0,\"ZUL NET\""), (out + unit.said + unit.log).constData());
    unit.type("send A\\B \xe9\x85\x7f Gate\x07open\x1b[0m\n");
    QVERIFY(shown(" A\\\\B \\xe9\\x85\\x7f Gate\\x07open\\x1b[0m\n"));
    const int before = unit.escapes();
    unit.type("vanish 1\n");
    QVERIFY(unit.waitFor(
        [&] { return unit.escapes() > before && unit.said.contains("taken back"); }, 15000, &run));
    unit.type("send after\n");
    QVERIFY(shown(" after\n"));
    ::kill(pid_t(run.processId()), SIGINT);
    QVERIFY(run.waitForFinished(10000));
    QCOMPARE(run.exitCode(), 0);
    out += run.readAllStandardOutput();
    static const QRegularExpression stamped(
        "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d) \\S");
    for (const QByteArray& line : out.trimmed().split('\n'))
      QVERIFY2(stamped.match(QString::fromUtf8(line)).hasMatch(), line.constData());
  }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
