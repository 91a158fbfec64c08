// SPDX-License-Identifier: GPL-3.0-or-later
// The program's real serial path against zulsim: Qt SerialPort on the pseudo-terminal that
// zulsim links as ports/com9 beside the program, real time, real pauses.
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "app/Widgets.h"
#include "link/ComPort.h"
#include "link/PortNames.h"
#include "phonebook/NameValueGrid.h"
#include "platform/QtSerialDevice.h"
#include "platform/SystemClock.h"
#include "support/TestDialogs.h"

class TestProgramOnZulsim : public QObject {
  Q_OBJECT

  QTemporaryDir dir;  // the program's folder: ports/com9 lands here
  QProcess sim;

  bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QTest::qWait(20);
    return done();
  }

 private slots:
  void initTestCase() {
    const QString zulsim = qEnvironmentVariable("ZULSIM");
    if (zulsim.isEmpty() || !QFileInfo(zulsim).isExecutable())
      QSKIP("ZULSIM does not name the zulsim program");
    sim.setProgram(zulsim);
    sim.setArguments(
        {"--com", "9", "--ports-dir", dir.filePath("ports"), "--interval", "4", "--demo"});
    sim.start();
    QVERIFY(sim.waitForStarted(5000));
    QVERIFY(waitFor([&] { return QFileInfo::exists(dir.filePath("ports/com9")); }, 5000));
  }

  void cleanupTestCase() {
    sim.terminate();
    sim.waitForFinished(5000);
  }

  void comPortReachesTheUnit() {
    QtSerialDeviceFactory factory;
    const QString programDir = dir.path();
    TComPort port(
        &factory, [] { return 9; }, [programDir](int n) { return PortDeviceName(n, programDir); });
    QByteArray got;
    port.OnTriggerAvail = [&](TComPort* CP, int Count) {
      for (int i = 0; i < Count; ++i) got += char(CP->ReadChar());
    };
    port.SendText("ATE\r\n");
    QCOMPARE(port.ComNumber(), 9);
    QVERIFY2(waitFor([&] { return got.contains("OK\r\n"); }, 3000), got.constData());
  }

  // The unit's end of the line goes away under an open port (an unplugged adapter): the
  // program is told once and does not spin on the dead device.
  void vanishingUnit() {
    QProcess unit;
    unit.setProgram(sim.program());
    unit.setArguments({"--com", "8", "--ports-dir", dir.filePath("ports")});
    unit.start();
    QVERIFY(unit.waitForStarted(5000));
    QVERIFY(waitFor([&] { return QFileInfo::exists(dir.filePath("ports/com8")); }, 5000));
    QtSerialDeviceFactory factory;
    const QString programDir = dir.path();
    TComPort port(
        &factory, [] { return 8; }, [programDir](int n) { return PortDeviceName(n, programDir); });
    QStringList lost;
    port.OnTriggerAvail = [](TComPort* CP, int Count) {
      for (int i = 0; i < Count; ++i) CP->ReadChar();
    };
    port.OnPortLost = [&](TComPort*, const QString& reason) { lost << reason; };
    port.SendText("ATE\r\n");
    QTest::qWait(200);
    unit.kill();
    unit.waitForFinished(5000);
    QVERIFY(waitFor([&] { return !lost.isEmpty(); }, 3000));
    QVERIFY(!port.IsOpen());

    auto cpuMs = [] {
      rusage u;
      getrusage(RUSAGE_SELF, &u);
      return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
             (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
    };
    const long before = cpuMs();
    QTest::qWait(1000);
    QVERIFY2(cpuMs() - before < 300, "busy after the device went away");
    QCOMPARE(lost.size(), 1);
  }

  // The unit's device goes away under the running window and comes back as a new
  // pseudo-terminal behind ports/com7: reported once, reopened without a question, and the
  // unit's reports reach the window again.
  void windowReopensAVanishedPort() {
    QProcess unit;
    unit.setProgram(sim.program());
    unit.setArguments({"--com", "7", "--ports-dir", dir.filePath("ports"), "--interval", "1"});
    unit.start();
    QVERIFY(unit.waitForStarted(5000));
    QVERIFY(waitFor([&] { return QFileInfo::exists(dir.filePath("ports/com7")); }, 5000));

    QtSerialDeviceFactory factory;
    TestDialogs dialogs;
    dialogs.port = 7;
    SystemClock clock;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.clock = &clock;
    env.serial = &factory;
    env.programFile = dir.filePath("zulset");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
      TForm1 form(env);
      QVERIFY(waitFor([&] { return form.StatusBar1->PanelText(2) == "SIM: 250"; }, 8000));
      unit.write("vanish 2\n");
      QVERIFY(waitFor([&] { return !dialogs.errors.isEmpty(); }, 3000));
      QVERIFY2(dialogs.errors[0].startsWith("COM7 is no longer available ("),
               qPrintable(dialogs.errors[0]));
      QVERIFY(!form.ComPort1->IsOpen());
      QVERIFY(waitFor([&] { return form.ComPort1->IsOpen(); }, 6000));
      const int reports = form.Monitor->toPlainText().count("+CSQ");
      QVERIFY(waitFor([&] { return form.Monitor->toPlainText().count("+CSQ") > reports; }, 3000));
      QCOMPARE(dialogs.errors.size(), 1);
      QVERIFY(dialogs.questions.isEmpty());
      QCOMPARE(dialogs.portChoices, 1);
      form.close();
    }
    QDir::setCurrent(previous);
    unit.terminate();
    unit.waitForFinished(5000);
  }

  // The whole window on the real line: the start-up chain fills the status bar, the window
  // rests, then "Load SIM" brings the demo phone book and the SMS centre.
  void windowLoadsTheSim() {
    QtSerialDeviceFactory factory;
    TestDialogs dialogs;
    SystemClock clock;
    FormEnvironment env;
    env.dialogs = &dialogs;
    env.clock = &clock;
    env.serial = &factory;
    env.programFile = dir.filePath("zulset");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
      TForm1 form(env);
      QCOMPARE(form.StartPortNumber, 9);
      QVERIFY2(waitFor([&] { return form.StatusBar1->PanelText(2) == "SIM: 250"; }, 8000),
               qPrintable(form.StatusBar1->PanelText(2)));
      QCOMPARE(form.StatusBar1->PanelText(0), QString("Operator: \"ZUL NET\""));

      // At rest nothing ticks faster than the watchdog (no poll of the port, no blinking), so
      // a computer left logging can sleep; the unit's lines are still taken as they come.
      struct TimerEvents : QObject {
        QHash<QObject*, int> counts;
        bool eventFilter(QObject* receiver, QEvent* e) override {
          if (e->type() == QEvent::Timer) ++counts[receiver];
          return false;
        }
      } ticks;
      qApp->installEventFilter(&ticks);
      QTest::qWait(2500);
      qApp->removeEventFilter(&ticks);
      for (auto it = ticks.counts.cbegin(); it != ticks.counts.cend(); ++it) {
        const QObject* owner = it.key()->parent() ? it.key()->parent() : it.key();
        QVERIFY2(it.value() <= 3, qPrintable(QStringLiteral("a timer of %1 ticked %2 times")
                                                 .arg(owner->metaObject()->className())
                                                 .arg(it.value())));
      }

      // Click right after a report: the read must be done before the unit's next own "OK",
      // which the program cannot tell from the answer's (it would end the read early).
      QVERIFY(waitFor([&] { return form.Gauge1->Position() > -27; }, 5000));
      QVERIFY(waitFor([&] { return form.Gauge1->Position() == -27 && form.Link.LinkIdle; }, 6000));
      form.LoadPHONE->click();
      QVERIFY(waitFor([&] { return !form.ButtonsLocked; }, 10000));
      QVERIFY(form.PhoneBook1->LineCount() > 5);
      QCOMPARE(form.Numbers->text(), QString::number(form.PhoneBook1->LineCount()));
      QVERIFY(waitFor([&] { return form.StatusBar1->PanelText(1).startsWith("SMS centrum: +"); },
                      3000));
      QVERIFY(dialogs.errors.isEmpty());
      form.close();
    }
    QDir::setCurrent(previous);
  }
};

QTEST_MAIN(TestProgramOnZulsim)
#include "test_program_on_zulsim.moc"
