// SPDX-License-Identifier: GPL-3.0-or-later
// The program's windows as a desktop shows them: the captions the window manager is given,
// which window "Select Port" and the link's question belong to, and where they come up.
// Runs its own X server (Xvfb) with a light window manager (openbox) and looks at the
// windows with xprop, xwininfo and wmctrl; xdotool types as the user would.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/Application.h"
#include "platform/QtDialogs.h"
#include "platform/QtSerialDevice.h"

namespace {

// An X server of our own and a window manager on it, for the life of the test program.
class XSession {
 public:
  ~XSession() {
    stop(wm);
    stop(server);
  }

  // False, with the reason in why, when a tool is missing or the server does not come up.
  bool start() {
    QStringList missing;
    for (const char* tool : {"Xvfb", "openbox", "xprop", "xwininfo", "wmctrl", "xdotool"})
      if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
        missing << QString::fromLatin1(tool);
    if (!missing.isEmpty()) {
      why = "needs " + missing.join(", ") +
            " (Debian packages xvfb, openbox, x11-utils, wmctrl, xdotool)";
      return false;
    }
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return fail("no pipe");
    server = spawn({"Xvfb", "-displayfd", QByteArray::number(pipeFds[1]), "-screen", "0",
                    "1024x768x24", "-nolisten", "tcp"},
                   pipeFds[1]);
    ::close(pipeFds[1]);
    QByteArray number;
    pollfd p{pipeFds[0], POLLIN, 0};
    while (!number.contains('\n') && ::poll(&p, 1, 10000) > 0) {
      char c;
      if (::read(pipeFds[0], &c, 1) != 1) break;
      number += c;
    }
    ::close(pipeFds[0]);
    if (!number.contains('\n')) return fail("Xvfb did not start");
    display = ":" + number.trimmed();
    qputenv("DISPLAY", display);
    wm = spawn({"openbox"}, -1);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {  // no application object yet: no QProcess
      if (std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'") ==
          0)
        return true;
      ::usleep(100000);
    }
    return fail("openbox did not start");
  }

  QByteArray display;
  QString why;

 private:
  bool fail(const QString& reason) {
    why = reason;
    return false;
  }
  // The child keeps keepFd open; its output goes nowhere.
  static pid_t spawn(const QList<QByteArray>& argv, int keepFd) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 1);
    ::dup2(null, 2);
    if (keepFd >= 0) ::fcntl(keepFd, F_SETFD, 0);
    std::vector<char*> args;
    for (const QByteArray& a : argv) args.push_back(const_cast<char*>(a.constData()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  static void stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
  }
  pid_t server = -1;
  pid_t wm = -1;
};

QString runTool(const QString& program, const QStringList& args) {
  QProcess p;
  // Captions that are not ASCII come out as they are.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("LC_ALL", "C.UTF-8");
  p.setProcessEnvironment(env);
  p.start(program, args);
  p.waitForFinished(5000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

struct XWindow {
  quint64 id = 0;
  qint64 pid = 0;
  QString title;
};

// The windows the window manager manages, with the process that owns each.
QList<XWindow> managedWindows() {
  QList<XWindow> windows;
  for (const QString& line : runTool("wmctrl", {"-l", "-p"}).split('\n', Qt::SkipEmptyParts)) {
    const QStringList f = line.split(' ', Qt::SkipEmptyParts);
    if (f.size() < 4) continue;
    XWindow w;
    w.id = f[0].toULongLong(nullptr, 16);
    w.pid = f[2].toLongLong();
    w.title = f.mid(4).join(' ');
    windows << w;
  }
  return windows;
}

std::optional<XWindow> waitForWindow(const std::function<bool(const XWindow&)>& match, int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    for (const XWindow& w : managedWindows())
      if (match(w)) return w;
    QTest::qWait(50);
  }
  return std::nullopt;
}

QString hex(quint64 id) { return "0x" + QString::number(id, 16); }

// The caption as the window manager reads it: both the old and the new property.
QStringList captions(quint64 id) {
  QStringList out;
  for (const char* property : {"WM_NAME", "_NET_WM_NAME"}) {
    const QString line = runTool("xprop", {"-id", hex(id), property}).trimmed();
    const int first = line.indexOf('"');
    out << (first < 0 ? line : line.mid(first + 1, line.lastIndexOf('"') - first - 1));
  }
  // Qt puts UTF-8 into WM_NAME, whose type says Latin-1, and xprop believes the type; window
  // managers show _NET_WM_NAME.
  out[0] = QString::fromUtf8(out[0].toLatin1());
  return out;
}

// The window this one is transient for (its owner), 0 when none.
quint64 owner(quint64 id) {
  const QString line = runTool("xprop", {"-id", hex(id), "WM_TRANSIENT_FOR"});
  const auto m = QRegularExpression("window id # (0x[0-9a-f]+)").match(line);
  return m.hasMatch() ? m.captured(1).toULongLong(nullptr, 16) : 0;
}

// Where the window's middle is, from the middle of the screen.
QPoint offCentre(quint64 id) {
  auto field = [](const QString& info, const char* name) {
    const auto m = QRegularExpression(QString::fromLatin1(name) + ":\\s+(-?\\d+)").match(info);
    return m.captured(1).toInt();
  };
  const QString w = runTool("xwininfo", {"-id", hex(id)});
  const QString root = runTool("xwininfo", {"-root"});
  const QPoint middle(field(w, "Absolute upper-left X") + field(w, "Width") / 2,
                      field(w, "Absolute upper-left Y") + field(w, "Height") / 2);
  return middle - QPoint(field(root, "Width") / 2, field(root, "Height") / 2);
}

// Qt places a window before the manager frames it and guesses the frame when it has no
// framed window to measure (at most 10 by 40 pixels).
bool centred(const QPoint& off) { return qAbs(off.x()) <= 12 && qAbs(off.y()) <= 40; }

QString text(const QPoint& p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); }

// Types the unit's port into "Select Port", as the user would.
void answerSelectPort(const XWindow& dialog) {
  runTool("xdotool", {"windowactivate", "--sync", hex(dialog.id)});
  runTool("xdotool", {"type", "--delay", "50", "COM9"});
  runTool("xdotool", {"key", "Return"});
}

// Reads zulsim's log (its standard error) until it holds what, or ms have passed.
bool simSays(QProcess& sim, QByteArray& log, const QByteArray& what, int ms) {
  QElapsedTimer t;
  t.start();
  while (!log.contains(what) && t.elapsed() < ms) {
    sim.waitForReadyRead(100);
    log += sim.readAllStandardError();
  }
  return log.contains(what);
}

}  // namespace

class TestDesktopWindows : public QObject {
  Q_OBJECT

 public:
  explicit TestDesktopWindows(const QString& skipReason) : skipReason(skipReason) {}

 private:
  QString skipReason;

  // zulsim, when a built zulset lies beside it; empty otherwise.
  static QString zulsim() {
    const QString sim = qEnvironmentVariable("ZULSIM");
    const bool both =
        !sim.isEmpty() && QFileInfo(QFileInfo(sim).dir().filePath("zulset")).isExecutable();
    return both ? sim : QString();
  }
  // A copy of the program in dir (it finds ports/ beside its own file, and a link would be
  // resolved) with zulsim linked there as COM9, reporting every second.
  static void startBeside(const QTemporaryDir& dir, QProcess& sim, const QStringList& options) {
    QVERIFY(QFile::copy(QFileInfo(zulsim()).dir().filePath("zulset"), dir.filePath("zulset")));
    sim.start(zulsim(),
              QStringList{"--com", "9", "--ports-dir", dir.filePath("ports"), "--interval", "1"} +
                  options);
    QVERIFY(sim.waitForStarted(5000));
    QVERIFY(sim.waitForReadyRead(5000));
  }

 private slots:
  void initTestCase() {
    if (!skipReason.isEmpty()) QSKIP(qPrintable(skipReason));
  }

  // The real program on zulsim: "Select Port" at start, then the main window, each with its
  // own caption and nothing appended; the dialog in the middle of the screen; the window and
  // the settings file in the system's language.
  void programWindows() {
    if (zulsim().isEmpty()) QSKIP("ZULSIM does not name zulsim beside a built zulset");
    QTemporaryDir dir;
    QProcess sim;
    startBeside(dir, sim, {});
    if (QTest::currentTestFailed()) return;

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    // A first start in the system's language.
    env.remove("LC_ALL");
    env.remove("LC_MESSAGES");
    env.insert("LANG", "de_DE.UTF-8");
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(dir.filePath("zulset"), {});
    QVERIFY(program.waitForStarted(5000));
    const qint64 pid = program.processId();

    const auto dialog = waitForWindow([&](const XWindow& w) { return w.pid == pid; }, 10000);
    QVERIFY(dialog);
    const QString selectPort = QStringLiteral("Port w\u00E4hlen");
    QCOMPARE(captions(dialog->id), (QStringList{selectPort, selectPort}));
    QVERIFY2(centred(offCentre(dialog->id)), qPrintable(text(offCentre(dialog->id))));
    for (const XWindow& w : managedWindows()) QVERIFY(owner(dialog->id) != w.id);

    answerSelectPort(*dialog);
    const auto main =
        waitForWindow([&](const XWindow& w) { return w.pid == pid && w.id != dialog->id; }, 10000);
    QVERIFY(main);
    QCOMPARE(captions(main->id), (QStringList{"zulset", "zulset"}));

    // It is the unit's line: the start-up chain goes on to the operator query.
    QByteArray log;
    QVERIFY2(simSays(sim, log, "<- AT+COPS?", 10000), log.constData());

    runTool("wmctrl", {"-i", "-c", hex(main->id)});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QFile ini(dir.filePath("zulset.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("\r\nLanguage=De\r\n"));
    sim.terminate();
    sim.waitForFinished(5000);
  }

  // Ended by a signal (a shutdown, a logout) with an admission record in no file: the record
  // is in a file beside the settings, and the next start says so in a box of its own.
  void shutdownKeepsRecords() {
    if (zulsim().isEmpty()) QSKIP("ZULSIM does not name zulsim beside a built zulset");
    QTemporaryDir dir;
    QProcess sim;
    startBeside(dir, sim, {"--demo"});
    if (QTest::currentTestFailed()) return;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    QByteArray log;
    auto start = [&](QProcess& program) -> std::optional<XWindow> {
      program.setProcessEnvironment(env);
      program.setWorkingDirectory(dir.path());
      program.start(dir.filePath("zulset"), {});
      if (!program.waitForStarted(5000)) return std::nullopt;
      const qint64 pid = program.processId();
      const auto dialog = waitForWindow([&](const XWindow& w) { return w.pid == pid; }, 10000);
      if (!dialog) return std::nullopt;
      answerSelectPort(*dialog);
      const auto main = waitForWindow(
          [&](const XWindow& w) { return w.pid == pid && w.id != dialog->id; }, 10000);
      if (main && simSays(sim, log, "<- AT+CPBR=?", 10000)) return main;
      return std::nullopt;
    };

    QProcess first;
    QVERIFY(start(first));
    sim.write("call +420777111222\n");
    QVERIFY(simSays(sim, log, "call from +420777111222", 5000));
    QTest::qWait(1500);
    ::kill(pid_t(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(5000));
    QCOMPARE(first.exitStatus(), QProcess::CrashExit);  // ended by the signal, as it asked
    QFile rescued(dir.filePath("zulset-unsaved.csv"));
    QVERIFY(rescued.open(QIODevice::ReadOnly));
    QVERIFY2(rescued.readAll().contains(";ADMIN2  (phone: +420777111222)  /OUTPUT A\r\n"),
             qPrintable(rescued.fileName()));
    rescued.close();

    QProcess second;
    const auto main = start(second);
    QVERIFY(main);
    const auto told = waitForWindow(
        [&](const XWindow& w) { return w.pid == second.processId() && w.id != main->id; }, 5000);
    QVERIFY(told);
    QCOMPARE(captions(told->id), (QStringList{"ZUL Set", "ZUL Set"}));
    QVERIFY(!rescued.exists());
    QCOMPARE(QDir(dir.path()).entryList({"zulset-unsaved-*.csv"}).size(), 1);
    runTool("xdotool", {"windowactivate", "--sync", hex(told->id)});
    runTool("xdotool", {"key", "Return"});
    runTool("wmctrl", {"-i", "-c", hex(main->id)});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    sim.terminate();
    sim.waitForFinished(5000);
  }

  // The boxes of the real dialogs, with the main window in a corner: the link's question is
  // captioned "COM" and the number, belongs to no window and comes up in the middle of the
  // screen, as does "Select Port"; the program's messages are captioned "ZUL Set".
  void boxes_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("unowned");
    QTest::newRow("question") << "question"
                              << "COM9" << true;
    QTest::newRow("Select Port") << "port"
                                 << "Select Port" << true;
    QTest::newRow("error") << "error"
                           << "ZUL Set" << false;
    QTest::newRow("message") << "message"
                             << "ZUL Set" << false;
    QTest::newRow("error the program closes") << "dismissed"
                                              << "ZUL Set" << false;
    QTest::newRow("question with answers") << "choice"
                                           << "ZUL Set" << false;
  }
  void boxes() {
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(bool, unowned);
    QWidget main;
    main.setWindowTitle("zulset");
    main.setGeometry(0, 0, 300, 200);
    main.show();
    QVERIFY(waitForWindow([&](const XWindow& w) { return w.id == main.winId(); }, 5000));
    QTemporaryDir dir;
    QtSerialDeviceFactory factory;
    QtDialogs dialogs(&factory, {dir.path()});
    dialogs.setParentWidget(&main);

    QStringList seen, buttons;
    quint64 boxOwner = 1;
    QPoint off;
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      QVERIFY(box);
      const quint64 id = box->winId();
      if (waitForWindow([&](const XWindow& w) { return w.id == id; }, 5000)) {
        QTest::qWait(200);  // placed and framed
        seen = captions(id);
        boxOwner = owner(id);
        off = offCentre(id);
      }
      for (const QAbstractButton* b : box->findChildren<QAbstractButton*>()) buttons << b->text();
      if (kind == "dismissed")
        dialogs.dismiss(1);
      else
        qobject_cast<QDialog*>(box)->reject();
    });
    if (kind == "question")
      dialogs.question("COM9", "No communication, change com?");
    else if (kind == "port")
      dialogs.choosePort({});
    else if (kind == "error")
      dialogs.error("Device already open.");
    else if (kind == "dismissed")
      dialogs.error("COM9 is no longer available (Input/output error).", 1);
    else if (kind == "choice")
      QCOMPARE(dialogs.choose("The admission log holds 2 records that are in no file yet.",
                              {"Save the records...", "Close anyway", "Do not close"}),
               2);  // Escape: the way back
    else
      dialogs.message("Incorrect number");
    QCOMPARE(seen, (QStringList{caption, caption}));
    buttons.sort();  // laid out in the style's order
    if (kind == "choice")
      QCOMPARE(buttons, (QStringList{"Close anyway", "Do not close", "Save the records..."}));
    if (!unowned) return;
    QVERIFY(boxOwner != main.winId());
    QVERIFY2(centred(off), qPrintable(text(off)));
  }
};

int main(int argc, char** argv) {
  XSession x;
  const bool onX = x.start();
  if (onX) qputenv("QT_QPA_PLATFORM", "xcb");
  ZulApplication app(argc, argv);
  TestDesktopWindows test(onX ? QString() : x.why);
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "test_desktop_windows.moc"
