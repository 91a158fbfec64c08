// SPDX-License-Identifier: GPL-3.0-or-later
// TComPort over an in-memory device: the data-available event, the receive ring, output room,
// port numbers and opening errors.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "link/ComPort.h"
#include "platform/Errors.h"

namespace {

struct Line {
  QByteArray input;  // arrived, not yet taken by the port
  QByteArray output;
  qint64 pending = 0;
  SerialDevice::OpenResult result = SerialDevice::OpenResult::Ok;
  QStringList opened;
  bool open = false;
  bool refuseWrites = false;
  bool present = true;
  SerialDevice* device = nullptr;
};

class FakeDevice : public SerialDevice {
 public:
  explicit FakeDevice(Line* line) : line(line) {}
  OpenResult open(const QString& name, int* code, QString* text) override {
    line->opened << name;
    if (line->result == OpenResult::OtherError) {
      *code = 5;
      *text = QStringLiteral("Input/output error");
    }
    if (line->result == OpenResult::PermissionDenied) *text = QStringLiteral("/dev/ttyS0");
    if (line->result != OpenResult::Ok) return line->result;
    line->open = true;
    return OpenResult::Ok;
  }
  void close() override { line->open = false; }
  bool isOpen() const override { return line->open; }
  bool write(const QByteArray& bytes) override {
    if (line->refuseWrites) return false;
    line->output += bytes;
    return true;
  }
  bool present(const QString&) const override { return line->present; }
  qint64 bytesToWrite() const override { return line->pending; }
  QByteArray read(qint64 max) override {
    const QByteArray bytes = line->input.left(max);
    line->input.remove(0, bytes.size());
    return bytes;
  }
  qint64 bytesAvailable() const override { return line->input.size(); }
  void clearInput() override { line->input.clear(); }
  Line* line;
};

class FakeFactory : public SerialDeviceFactory {
 public:
  std::unique_ptr<SerialDevice> create() override {
    auto device = std::make_unique<FakeDevice>(&line);
    line.device = device.get();
    return device;
  }
  Line line;
};

// Errors that end an event are caught here, as the application object does.
QStringList caughtErrors;
class App : public QCoreApplication {
 public:
  using QCoreApplication::QCoreApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QCoreApplication::notify(receiver, event);
    } catch (const Exception& e) {
      caughtErrors << e.Message;
      return true;
    }
  }
};

QByteArray block(int size, int first = 0) {
  QByteArray bytes;
  for (int i = 0; i < size; ++i) bytes += char((first + i) % 251);
  return bytes;
}

}  // namespace

Q_DECLARE_METATYPE(SerialDevice::OpenResult)

class TestComPort : public QObject {
  Q_OBJECT

  FakeFactory factory;
  std::unique_ptr<TComPort> port;
  int dialogShown = 0;
  int dialogAnswer = 0;
  QList<int> counts;
  QByteArray got;
  int readLimit = -1;    // bytes the handler reads per event; -1 = Count
  bool peeking = false;  // the handler reads runs with Peek and Skip instead of ReadChar
  QString devices = QStringLiteral("dev");  // port n is the device devices + n

  void arrive(const QByteArray& bytes) {
    factory.line.input += bytes;
    if (factory.line.device->onReadyRead) factory.line.device->onReadyRead();
  }
  void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  void openPort(int number = 3) {
    port->SetComNumber(number);
    port->SendText(QByteArray());
    QVERIFY(port->IsOpen());
  }
  void readingHandler() {
    port->OnTriggerAvail = [this](TComPort* CP, int Count) {
      QCOMPARE(CP, port.get());
      counts << Count;
      const int n = readLimit < 0 ? Count : qMin(readLimit, Count);
      for (int left = n; left > 0 && peeking;) {
        const QByteArrayView run = CP->Peek(left);
        QVERIFY(!run.isEmpty());
        got += run.toByteArray();
        CP->Skip(int(run.size()));
        left -= int(run.size());
      }
      for (int i = 0; i < n && !peeking; ++i) got += char(CP->ReadChar());
    };
  }
  void readingWays() {
    QTest::addColumn<bool>("peeking");
    QTest::newRow("ReadChar") << false;
    QTest::newRow("Peek and Skip") << true;
  }

 private slots:
  void init() {
    factory.line = Line();
    dialogShown = 0;
    dialogAnswer = 0;
    counts.clear();
    got.clear();
    readLimit = -1;
    peeking = false;
    devices = QStringLiteral("dev");
    caughtErrors.clear();
    port = std::make_unique<TComPort>(
        &factory,
        [this] {
          ++dialogShown;
          return dialogAnswer;
        },
        [this](int n) { return devices + QString::number(n); });
  }
  void cleanup() { port.reset(); }

  // An unplugged adapter: the port forgets the device, says so once, and the next use
  // opens it afresh; unread bytes of the old device are not offered.
  void lostDeviceClosesThePort() {
    readingHandler();
    QStringList reasons;
    port->OnPortLost = [&](TComPort* CP, const QString& reason) {
      QCOMPARE(CP, port.get());
      reasons << reason;
    };
    openPort(4);
    readLimit = 2;
    arrive("OK\r\n");
    settle();
    factory.line.open = false;
    factory.line.device->onLost(QStringLiteral("gone"));
    QCOMPARE(reasons, QStringList{"gone"});
    QVERIFY(!port->IsOpen());
    QCOMPARE(port->ComNumber(), 4);
    QVERIFY_THROWS_EXCEPTION(EBufferIsEmpty, port->ReadChar());
    QCOMPARE(factory.line.opened, (QStringList{"dev4", "dev4"}));
    QVERIFY(port->IsOpen());

    // Choosing another port after a loss (the watchdog's Yes) asks at once, as when open.
    factory.line.open = false;
    factory.line.device->onLost(QStringLiteral("gone again"));
    dialogAnswer = 6;
    port->SetComNumber(0);
    QCOMPARE(dialogShown, 1);
    QCOMPARE(port->ComNumber(), 6);
    QVERIFY(port->IsOpen());
  }

  // A port closed against the program's wish is taken back by Revive() once the device it
  // last tried is there again: quietly, and never another device of the same number.
  void reviveTakesBackTheDeviceLastTried() {
    using R = SerialDevice::OpenResult;
    readingHandler();
    port->SetComNumber(4);
    QVERIFY(!port->Revive());  // never asked for
    openPort(4);
    QVERIFY(!port->Revive());
    factory.line.open = false;
    factory.line.device->onLost(QStringLiteral("gone"));
    factory.line.present = false;
    QVERIFY(!port->Revive());
    QCOMPARE(factory.line.opened.size(), 1);  // not even tried
    factory.line.present = true;
    factory.line.result = R::InUse;  // there, but not ours yet
    QVERIFY(!port->Revive());
    factory.line.result = R::Ok;
    devices = QStringLiteral("tty");  // its ports/ link gone: the number names another device
    QVERIFY(!port->Revive());
    devices = QStringLiteral("dev");
    QVERIFY(port->Revive());
    QVERIFY(port->IsOpen());
    QCOMPARE(factory.line.opened, (QStringList{"dev4", "dev4", "dev4"}));
    arrive("OK\r\n");
    settle();
    QCOMPARE(got, QByteArray("OK\r\n"));
    QCOMPARE(dialogShown, 0);
    QVERIFY(caughtErrors.isEmpty());
  }

  void eventCountsAndReoffersUnreadBytes_data() { readingWays(); }
  void eventCountsAndReoffersUnreadBytes() {
    QFETCH(bool, peeking);
    this->peeking = peeking;
    readingHandler();
    openPort();
    arrive(block(10));
    settle();
    QCOMPARE(counts, QList<int>{10});
    QCOMPARE(got, block(10));
    settle();  // nothing new, no event
    QCOMPARE(counts.size(), 1);

    readLimit = 4;
    arrive(block(10, 100));
    settle();
    QCOMPARE(counts.last(), 10);
    settle();
    QCOMPARE(counts.size(), 2);  // unread bytes wait for new ones
    arrive(block(2, 200));
    settle();
    QCOMPARE(counts.last(), 6 + 2);
    QCOMPARE(got.right(4), block(4, 104));  // the fifth of the earlier block comes first
  }

  void fullRingLeavesTheRestInTheDevice_data() { readingWays(); }
  void fullRingLeavesTheRestInTheDevice() {
    QFETCH(bool, peeking);
    this->peeking = peeking;
    readingHandler();
    openPort();
    // One notification: what waits in the device for room comes once the handler has read.
    arrive(block(9000));
    QTRY_COMPARE(counts.size(), 2);
    QCOMPARE(counts, (QList<int>{8192, 808}));
    QCOMPARE(got, block(9000));
    arrive(block(8192, 7));  // round the ring's end
    QTRY_COMPARE(counts.size(), 3);
    QCOMPARE(got.sliced(9000), block(8192, 7));
  }

  void discardInput() {
    openPort();
    arrive(QByteArray("OK\r\n"));  // no handler yet: the bytes wait in the ring
    settle();
    factory.line.input = "late";  // still in the device
    port->DiscardInput();
    QVERIFY(factory.line.input.isEmpty());
    QVERIFY_THROWS_EXCEPTION(EBufferIsEmpty, port->ReadChar());

    // Inside an event the discarded bytes are gone for the rest of it and for the next one.
    port->OnTriggerAvail = [this](TComPort* CP, int Count) {
      counts << Count;
      CP->DiscardInput();
      try {
        CP->ReadChar();
      } catch (const EBufferIsEmpty&) {
        got += "empty";
      }
    };
    arrive(QByteArray("+CSQ: 20,0\r\n"));
    settle();
    QCOMPARE(got, QByteArray("empty"));
    readingHandler();
    arrive(QByteArray("AB"));
    settle();
    QCOMPARE(counts, (QList<int>{12, 2}));
    QCOMPARE(got, QByteArray("emptyAB"));
  }

  void readCharAndSendTextErrors() {
    port->SetComNumber(3);
    try {
      port->ReadChar();  // opens first
      QFAIL("no error");
    } catch (const EBufferIsEmpty& e) {
      QCOMPARE(e.Message, QStringLiteral("Buffer is empty"));
      QCOMPARE(e.ErrorCode, -3007);
    }
    QVERIFY(port->IsOpen());
    QCOMPARE(factory.line.opened, QStringList{"dev3"});

    try {
      port->SendText(block(5000));
      QFAIL("no error");
    } catch (const EOutputBufferTooSmall& e) {
      QCOMPARE(e.Message, QStringLiteral("Output buffer too small for block"));
    }
    QVERIFY(factory.line.output.isEmpty());

    factory.line.pending = 4000;
    QVERIFY_THROWS_EXCEPTION(EOutputBufferTooSmall, port->SendText(block(97)));
    port->SendText(block(96));
    port->SendText(QByteArray());
    QCOMPARE(factory.line.output, block(96));

    factory.line.refuseWrites = true;  // the system refuses the block
    try {
      port->SendText("AT\r\n");
      QFAIL("no error");
    } catch (const EPutBlockFail& e) {
      QCOMPARE(e.Message, QStringLiteral("Failed to put entire block"));
      QCOMPARE(e.ErrorCode, -3004);
    }
  }

  void comNumberTransitions() {
    port->SetComNumber(4);  // closed: only stored
    QCOMPARE(port->ComNumber(), 4);
    QVERIFY(factory.line.opened.isEmpty());
    port->SendText("ATE\r\n");
    port->SetComNumber(4);
    port->SetComNumber(5);  // open: closed and reopened at once
    QCOMPARE(factory.line.opened, (QStringList{"dev4", "dev5"}));
    QVERIFY(port->IsOpen());

    try {
      port->SetComNumber(0);  // the reopening asks, and the user cancels
      QFAIL("no error");
    } catch (const ENoPortSelected& e) {
      QCOMPARE(e.Message,
               QStringLiteral("The ComNumber property of the TComPort has not been set"));
    }
    QCOMPARE(dialogShown, 1);
    QVERIFY(!port->IsOpen());
    QCOMPARE(port->ComNumber(), 0);
    port->SetComNumber(0);
    QCOMPARE(dialogShown, 1);

    dialogAnswer = 7;
    port->SendText("AT\r\n");
    QCOMPARE(dialogShown, 2);
    QCOMPARE(port->ComNumber(), 7);
    QCOMPARE(factory.line.opened.last(), QStringLiteral("dev7"));
    QCOMPARE(factory.line.output, QByteArray("ATE\r\nAT\r\n"));

    port.reset();  // destruction closes
    QVERIFY(!factory.line.open);
  }

  void openingErrors_data() {
    using R = SerialDevice::OpenResult;
    QTest::addColumn<R>("result");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("code");
    QTest::newRow("does not exist") << R::NotFound << "Specified comport doesn't exist" << -2001;
    QTest::newRow("held by another program") << R::InUse << "Device already open" << -2008;
    QTest::newRow("not permitted")
        << R::PermissionDenied
        << "Permission denied: /dev/ttyS0 (is your user in the dialout group?)" << 13;
    QTest::newRow("other") << R::OtherError << "Input/output error" << 5;
  }
  void openingErrors() {
    QFETCH(SerialDevice::OpenResult, result);
    QFETCH(QString, message);
    QFETCH(int, code);
    dialogAnswer = 9;
    factory.line.result = result;
    // Every operation that needs the port opens it.
    for (const auto& use : std::initializer_list<std::function<void()>>{
             [&] { port->SendText("AT\r\n"); }, [&] { port->ReadChar(); },
             [&] { port->DiscardInput(); }}) {
      try {
        use();
        QFAIL("no error");
      } catch (const EComPortError& e) {
        QCOMPARE(e.Message, message);
        QCOMPARE(e.ErrorCode, code);
      }
    }
    QCOMPARE(dialogShown, 1);
    QVERIFY(!port->IsOpen());
    QCOMPARE(port->ComNumber(), 9);  // the dialog's choice stays
  }

  void handlerIsNeverReentered() {
    int depth = 0;
    int maxDepth = 0;
    port->OnTriggerAvail = [&](TComPort* CP, int Count) {
      maxDepth = qMax(maxDepth, ++depth);
      counts << Count;
      for (int i = 0; i < Count; ++i) got += char(CP->ReadChar());
      if (counts.size() == 1) {
        // A message box: its loop delivers notifications meanwhile.
        QEventLoop loop;
        QTimer::singleShot(10, [this] { arrive("+CSQ"); });
        QTimer::singleShot(150, &loop, &QEventLoop::quit);
        loop.exec();
      }
      --depth;
    };
    openPort();
    arrive("OK\r\n");
    QTRY_COMPARE(counts.size(), 2);
    QCOMPARE(maxDepth, 1);
    QCOMPARE(counts, (QList<int>{4, 4}));
    QCOMPARE(got, QByteArray("OK\r\n+CSQ"));
  }

  void errorInHandlerKeepsTheBuffer() {
    port->OnTriggerAvail = [this](TComPort* CP, int Count) {
      counts << Count;
      got += char(CP->ReadChar());
      got += char(CP->ReadChar());
      if (counts.size() == 1)
        throw EConvertError(QStringLiteral("'x' is not a valid integer value"));
    };
    openPort();
    arrive("abcde");
    settle();
    QCOMPARE(caughtErrors, QStringList{"'x' is not a valid integer value"});
    arrive("f");
    settle();
    QCOMPARE(counts, (QList<int>{5, 4}));  // the two read bytes were freed, the rest offered again
    QCOMPARE(got, QByteArray("abcd"));

    // Asked to, the port offers the rest again without waiting for new bytes.
    counts.clear();
    got.clear();
    port->OnTriggerAvail = [this](TComPort* CP, int Count) {
      counts << Count;
      got += char(CP->ReadChar());
      if (counts.size() == 1) CP->OfferAgain();
    };
    arrive("xy");
    settle();
    QCOMPARE(counts, (QList<int>{4, 3}));
    QCOMPARE(got, QByteArray("ef"));
  }

  void handlerMayChangeThePort() {
    port->OnTriggerAvail = [this](TComPort* CP, int Count) {
      counts << Count;
      CP->ReadChar();
      if (counts.size() == 1) CP->SetComNumber(8);
    };
    openPort();
    arrive("xyz");
    settle();
    QCOMPARE(factory.line.opened.last(), QStringLiteral("dev8"));
    QVERIFY(port->IsOpen());
    arrive("1");
    settle();
    QCOMPARE(counts, (QList<int>{3, 1}));  // the old port's bytes are gone with it
  }
};

int main(int argc, char** argv) {
  App app(argc, argv);
  TestComPort test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "test_comport.moc"
