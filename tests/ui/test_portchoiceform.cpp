// SPDX-License-Identifier: GPL-3.0-or-later
// "Select Port": its entries, what OK and Cancel yield, and the real dialogs' probe of the
// ports beside the program.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "link/PortChoiceForm.h"
#include "platform/QtDialogs.h"
#include "platform/SerialDevice.h"

namespace {
// Runs `act` on the modal dialog once it is up.
void whenModal(std::function<void(TPortChoiceForm*)> act) {
  QTimer::singleShot(0, [act] {
    auto* form = qobject_cast<TPortChoiceForm*>(QApplication::activeModalWidget());
    QVERIFY(form);
    act(form);
  });
}

// Every name under `dir` opens, and COM1's /dev/ttyS0; nothing else exists.
class DirDevice : public SerialDevice {
 public:
  explicit DirDevice(const QString& dir) : dir(dir) {}
  OpenResult open(const QString& name, int*, QString*) override {
    return name.startsWith(dir) || name == "/dev/ttyS0" ? OpenResult::Ok : OpenResult::NotFound;
  }
  void close() override {}
  bool isOpen() const override { return false; }
  bool write(const QByteArray&) override { return true; }
  qint64 bytesToWrite() const override { return 0; }
  QByteArray read(qint64) override { return {}; }
  qint64 bytesAvailable() const override { return 0; }
  void clearInput() override {}
  QString dir;
};
class DirFactory : public SerialDeviceFactory {
 public:
  explicit DirFactory(const QString& dir) : dir(dir) {}
  std::unique_ptr<SerialDevice> create() override { return std::make_unique<DirDevice>(dir); }
  QString dir;
};
}  // namespace

class TestPortChoiceForm : public QObject {
  Q_OBJECT

 private slots:
  void entriesAndAnswers() {
    const auto name = [](int n) { return QStringLiteral("/dev/ttyUSB%1").arg(n - 11); };
    TPortChoiceForm form({3, 12}, name);
    QCOMPARE(form.windowTitle(), QStringLiteral("Select Port"));
    QCOMPARE(form.size(), QSize(220, 131));
    QCOMPARE(form.OkBtn->geometry(), QRect(8, 95, 85, 27));
    QCOMPARE(form.AbortBtn->geometry(), QRect(124, 95, 85, 27));
    QVERIFY(form.OkBtn->isDefault());
    QVERIFY(!form.PortsComboBox->isEditable());
    QCOMPARE(form.PortsComboBox->count(), 2);
    QCOMPARE(form.PortsComboBox->itemText(1), QStringLiteral("COM12"));
    QCOMPARE(form.PortsComboBox->itemData(1, Qt::ToolTipRole).toString(),
             QStringLiteral("/dev/ttyUSB1"));

    whenModal([](TPortChoiceForm* f) { f->OkBtn->click(); });
    QCOMPARE(form.Choose(), 3);  // the first entry is selected
    whenModal([](TPortChoiceForm* f) {
      f->PortsComboBox->setCurrentIndex(1);
      f->OkBtn->click();
    });
    QCOMPARE(form.Choose(), 12);
    whenModal([](TPortChoiceForm* f) { f->AbortBtn->click(); });
    QCOMPARE(form.Choose(), 0);

    TPortChoiceForm none({}, name);
    whenModal([](TPortChoiceForm* f) { f->OkBtn->click(); });
    QCOMPARE(none.Choose(), 0);  // OK on an empty list is a cancel
  }

  // Links beside the program come first, then those in the user's configuration folder; the
  // simulated unit's link is offered before a COM1 with nothing behind it.
  void realDialogsProbeThePortsBesideTheProgram() {
    QTemporaryDir dir;
    const QString program = dir.filePath("program"), config = dir.filePath("config");
    QVERIFY(QDir().mkpath(program + "/ports") && QDir().mkpath(config + "/ports"));
    QVERIFY(QFile::link("/dev/null", program + "/ports/com5"));
    QVERIFY(QFile::link("/dev/null", config + "/ports/com5"));
    QVERIFY(QFile::link("/dev/null", config + "/ports/com6"));
    DirFactory factory(dir.path());
    QtDialogs dialogs(&factory, {program, config});
    whenModal([&](TPortChoiceForm* f) {
      QCOMPARE(f->PortsComboBox->count(), 3);
      QCOMPARE(f->PortsComboBox->itemData(1, Qt::ToolTipRole).toString(), program + "/ports/com5");
      QCOMPARE(f->PortsComboBox->itemData(2, Qt::ToolTipRole).toString(), config + "/ports/com6");
      QCOMPARE(f->PortsComboBox->currentText(), QStringLiteral("COM5"));
      f->OkBtn->click();
    });
    QCOMPARE(dialogs.choosePort({}), 5);
  }
};

QTEST_MAIN(TestPortChoiceForm)
#include "test_portchoiceform.moc"
