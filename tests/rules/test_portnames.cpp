// SPDX-License-Identifier: GPL-3.0-or-later
// COM numbers to devices, the folders of port links and settings, and the probe behind the port
// choice dialog.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "link/PortNames.h"
#include "platform/SerialDevice.h"
#include "settings/SettingsLocation.h"

namespace {
// Answers each device name from a table; unknown names do not exist.
class TableDevice : public SerialDevice {
 public:
  explicit TableDevice(const QHash<QString, OpenResult>* table, QStringList* tried)
      : table(table), tried(tried) {}
  OpenResult open(const QString& name, int* code, QString* text) override {
    *tried << name;
    const OpenResult r = table->value(name, OpenResult::NotFound);
    if (r == OpenResult::OtherError) {
      *code = 5;
      *text = QStringLiteral("Input/output error");
    }
    open_ = r == OpenResult::Ok;
    return r;
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  bool write(const QByteArray&) override { return true; }
  qint64 bytesToWrite() const override { return 0; }
  QByteArray read(qint64) override { return {}; }
  qint64 bytesAvailable() const override { return 0; }
  void clearInput() override {}
  const QHash<QString, OpenResult>* table;
  QStringList* tried;
  bool open_ = false;
};

class TableFactory : public SerialDeviceFactory {
 public:
  std::unique_ptr<SerialDevice> create() override {
    return std::make_unique<TableDevice>(&table, &tried);
  }
  QHash<QString, SerialDevice::OpenResult> table;
  QStringList tried;
};
}  // namespace

class TestPortNames : public QObject {
  Q_OBJECT

 private slots:
  void fixedTableAndLinksBesideTheProgram() {
    QTemporaryDir dir;
    const QString d = dir.path();
#ifdef Q_OS_WIN
    QCOMPARE(PortDeviceName(12, d), QStringLiteral("COM12"));
#else
    QCOMPARE(PortDeviceName(1, d), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(PortDeviceName(10, d), QStringLiteral("/dev/ttyS9"));
    QCOMPARE(PortDeviceName(11, d), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(PortDeviceName(30, d), QStringLiteral("/dev/ttyUSB19"));
    QCOMPARE(PortDeviceName(31, d), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(PortDeviceName(50, d), QStringLiteral("/dev/ttyACM19"));
    QVERIFY(PortDeviceName(51, d).isEmpty());
    QVERIFY(PortDeviceName(0, d).isEmpty());

    QVERIFY(QDir(d).mkdir("ports"));
    QVERIFY(QFile::link("/dev/null", d + "/ports/com3"));
    QVERIFY(QFile::link(d + "/nothing-here", d + "/ports/com9"));  // dangling
    QCOMPARE(PortDeviceName(3, d), d + "/ports/com3");
    QCOMPARE(PortDeviceName(9, d), d + "/ports/com9");
    QCOMPARE(PortDeviceName(4, d), QStringLiteral("/dev/ttyS3"));

    // The user's configuration folder comes second: the program's own links win.
    QTemporaryDir user;
    const QString u = user.path();
    QVERIFY(QDir(u).mkdir("ports"));
    QVERIFY(QFile::link("/dev/zero", u + "/ports/com3"));
    QVERIFY(QFile::link("/dev/zero", u + "/ports/com4"));
    QCOMPARE(PortDeviceName(3, QStringList{d, u}), d + "/ports/com3");
    QCOMPARE(PortDeviceName(4, QStringList{d, u}), u + "/ports/com4");
    QCOMPARE(PortDeviceName(4, QStringList{d, QString()}), QStringLiteral("/dev/ttyS3"));
    QCOMPARE(PortDeviceName(5, QStringList{d, u}), QStringLiteral("/dev/ttyS4"));

    // zulsim links itself, and the settings lie, where the program may write: never under /usr,
    // not even for root, so that a purged package leaves nothing there.
    QCOMPARE(PortLinkFolder(d, u), d + "/ports");
    QCOMPARE(PortLinkFolder("/usr/bin", u), u + "/ports");
    QCOMPARE(PortLinkFolder("/usr/bin", QString()), QStringLiteral("/usr/bin/ports"));
    QCOMPARE(LocateSettings("/usr/bin/zulset", u).file, u + "/zulset.ini");
#endif
  }

  // Where "Select Port" starts: a link (the simulated unit's), then an adapter, else the first.
  void likelyPort_data() {
    QTest::addColumn<QList<int>>("ports");
    QTest::addColumn<int>("likely");
    QTest::newRow("the link beats an adapter and COM1") << QList<int>{1, 12, 31, 40} << 40;
    QTest::newRow("an adapter beats COM1") << QList<int>{1, 2, 33, 12} << 33;
    QTest::newRow("only built-in ports") << QList<int>{2, 3} << 2;
    QTest::newRow("none") << QList<int>{} << 0;
  }

  void likelyPort() {
    QFETCH(QList<int>, ports);
    QFETCH(int, likely);
    const auto device = [](int n) {
      return n == 40 ? QStringLiteral("/home/u/.config/zulset/ports/com40")
                     : PortDeviceName(n, QStringList());
    };
    QCOMPARE(LikelyPort(ports, device), likely);
  }

  void probeListsPortsThatOpenOrAreHeld() {
    using R = SerialDevice::OpenResult;
    TableFactory factory;
    factory.table = {{"d2", R::Ok},
                     {"d50", R::InUse},
                     {"d7", R::OtherError},
                     {"d4", R::PermissionDenied},
                     {"d9", R::Ok}};
    const auto name = [](int n) { return QStringLiteral("d%1").arg(n); };
    QCOMPARE(ProbePorts(factory, name), (QList<int>{2, 4, 9, 50}));
    QCOMPARE(factory.tried.size(), 50);
    QCOMPARE(factory.tried.first(), QStringLiteral("d1"));
    QCOMPARE(factory.tried.last(), QStringLiteral("d50"));
  }
};

QTEST_GUILESS_MAIN(TestPortNames)
#include "test_portnames.moc"
