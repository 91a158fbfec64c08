// SPDX-License-Identifier: GPL-3.0-or-later
// The window test harness itself: the in-memory line, virtual time, the dialogs script, and
// the real window's start-up chain driven through them.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "app/Widgets.h"
#include "support/WindowHarness.h"

class TestHarness : public QObject {
  Q_OBJECT

 private slots:
  void lineAnnouncesBytesOnlyFromTheEventLoop() {
    UnitEngine unit;
    MemorySerialDeviceFactory line(&unit);
    auto device = line.create();
    QCOMPARE(device->open("/dev/ttyS8", nullptr, nullptr), SerialDevice::OpenResult::Ok);
    int announced = 0;
    device->onReadyRead = [&] { ++announced; };
    device->write("AT\r\n");
    QCOMPARE(announced, 0);
    QCOMPARE(device->bytesAvailable(), 10);
    QCoreApplication::processEvents();
    QCOMPARE(announced, 1);
    QCOMPARE(device->read(100), QByteArray("AT\r\r\nOK\r\n\n"));  // echo on
    QCOMPARE(line.written(), QByteArray("AT\r\n"));

    // During a pause the unit goes on, but nothing is announced until the loop runs; input
    // dropped meanwhile is never announced.
    TestClock clock;
    clock.attach(&line);
    clock.pause(10000);
    QCOMPARE(clock.pauses(), QList<int>{10000});
    QVERIFY(device->bytesAvailable() > 0);
    QCOMPARE(announced, 1);
    device->clearInput();
    QCoreApplication::processEvents();
    QCOMPARE(announced, 1);
    QCOMPARE(clock.now(), TestClock::defaultStart().addSecs(10));

    // Output while no device is open is lost on the line.
    device->close();
    clock.advance(10000);
    QCOMPARE(device->open("/dev/ttyS8", nullptr, nullptr), SerialDevice::OpenResult::Ok);
    QCOMPARE(device->bytesAvailable(), 0);
  }

  void openCanBeToldToFail() {
    UnitEngine unit;
    MemorySerialDeviceFactory line(&unit);
    auto a = line.create();
    auto b = line.create();
    line.failNextOpen(SerialDevice::OpenResult::NotFound);
    QCOMPARE(a->open("x", nullptr, nullptr), SerialDevice::OpenResult::NotFound);
    QCOMPARE(a->open("x", nullptr, nullptr), SerialDevice::OpenResult::Ok);
    QCOMPARE(b->open("x", nullptr, nullptr), SerialDevice::OpenResult::InUse);
    a->close();
    line.setOpenResult(SerialDevice::OpenResult::OtherError, 13, "Permission denied");
    int code = 0;
    QString text;
    QCOMPARE(b->open("y", &code, &text), SerialDevice::OpenResult::OtherError);
    QCOMPARE(code, 13);
    QCOMPARE(text, QString("Permission denied"));
    QCOMPARE(line.openedNames(), (QStringList{"x", "x", "x", "y"}));
  }

  void startUpChainAndLoad() {
    WindowHarness::Setup s;
    s.demo = true;
    WindowHarness h(s);
    QCOMPARE(h.dialogs().portChoices, 1);
    QCOMPARE(h.received(), QList<QByteArray>{"ATE"});
    h.run(12000);
    QCOMPARE(h.received(), (QList<QByteArray>{"ATE", "AT+COPS?", "AT+CPBR=?"}));
    QCOMPARE(h.form().Link.PhoneBookCapacity, 250);
    QVERIFY(h.form().Link.LinkIdle);
    h.click(h.form().LoadPHONE);
    h.run(5000);
    QCOMPARE(h.received().last(), QByteArray("AT+CSCA?"));
    QVERIFY(h.received().contains("AT+CPBR=1,249"));
    // The probe's answer waited in the line during the pauses and was read after them.
    QVERIFY(h.form().Monitor->toPlainText().contains("+CMGF: 1"));
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  void ticksEveryVirtualSecond() {
    WindowHarness::Setup s;
    s.unit.reportIntervalMs = 0;
    WindowHarness h(s);
    h.run(5000);
    // Without reports every tick is a silent one; the 101st asks for another port.
    QCOMPARE(h.form().Link.SilentTicks, 5);
    h.run(95000);
    QVERIFY(h.dialogs().questions.isEmpty());
    h.run(1000);
    QCOMPARE(h.dialogs().questions.size(), 1);
    QCOMPARE(h.dialogs().questions[0].first, QString("COM9"));
  }

  void cancelledPortChoice() {
    WindowHarness::Setup s;
    s.port = 0;
    WindowHarness h(s);
    QCOMPARE(h.form().StartPortNumber, 0);
    QCOMPARE(h.dialogs().errors.size(), 1);
    QVERIFY(h.received().isEmpty());
  }
};

QTEST_MAIN(TestHarness)
#include "test_harness.moc"
