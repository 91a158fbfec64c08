// The PC file buttons of the PHONE, SMS and MONITOR pages, on the real window.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/Form1.h"
#include "files/TextFiles.h"
#include "phonebook/NameValueGrid.h"
#include "support/WindowHarness.h"

namespace {

QByteArray readBytes(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(bytes), bytes.size());
}

QStringList smsFields(const TForm1& f) {
  QStringList fields;
  for (int k = 0; k < 6; ++k) fields << f.SmsPhones[k]->text() << f.SmsTexts[k]->text();
  return fields;
}

void setSmsFields(TForm1& f, const QStringList& fields) {
  for (int k = 0; k < 6; ++k) {
    f.SmsPhones[k]->setText(fields[2 * k]);
    f.SmsTexts[k]->setText(fields[2 * k + 1]);
  }
}

// The unit says nothing of its own: the monitor holds only what a test injects.
WindowHarness::Setup quietUnit() {
  WindowHarness::Setup s;
  s.beforeStart = [](WindowHarness& h) { h.unit().silence(1000000000); };
  return s;
}

const QStringList Filled{"+4201", "One",  "+4202", "Two",  "+4203", "Three",
                         "+4204", "Four", "+4205", "Five", "+4206", "Six"};

}  // namespace

class TestPcFiles : public QObject {
  Q_OBJECT

 private slots:
  void phoneBookRoundTrip() {
    WindowHarness h;
    TForm1& f = h.form();
    const QStringList book{"ADMIN1=+420603111222", "", "no equals", "RTIME=05",
                           QString::fromLatin1("N\xE9=1")};
    f.PhoneBook1->SetStrings(book);
    h.dialogs().saveNames << h.path("b.phb");
    h.click(f.SaveSIMPC);
    QCOMPARE(readBytes(h.path("b.phb")),
             "ADMIN1=+420603111222\r\n\r\nno equals\r\nRTIME=05\r\nN\xE9=1\r\n");

    f.PhoneBook1->Clear();
    h.dialogs().openNames << h.path("b.phb");
    h.click(f.LoadSIMPC);
    QCOMPARE(f.PhoneBook1->Strings(), book);
    QCOMPARE(f.Numbers->text(), "5");
    QCOMPARE(h.dialogs().saveFilters, QStringList{"PhoneBook files (*.phb)"});
    QCOMPARE(h.dialogs().openFilters, QStringList{"PhoneBook files (*.phb)"});
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // One change for the whole file, checked on row 1; Numbers and the Info panel follow it.
  void loadConfirmed() {
    WindowHarness h;
    TForm1& f = h.form();
    writeBytes(h.path("three.phb"), "ADMIN1=123\nRTIME=5\rOPER=900");
    f.PhoneBook1->SetRow(4);
    f.Autoverify->setChecked(true);
    QSignalSpy changes(f.PhoneBook1, &TNameValueGrid::StringsChange);
    h.dialogs().openNames << h.path("three.phb");
    h.click(f.LoadSIMPC);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(f.PhoneBook1->Row(), 1);
    QCOMPARE(f.PhoneBook1->Strings(), QStringList({"ADMIN1=123", "RTIME=5", "OPER=900"}));
    QCOMPARE(f.Numbers->text(), "3");
    QCOMPARE(f.ADMIN1->text(), "123");
    QCOMPARE(f.RTIME->text(), "5 s");
    QCOMPARE(f.OPER->text(), "900");
    QVERIFY(h.dialogs().messages.isEmpty());
  }

  void loadCancelled() {
    WindowHarness h;
    TForm1& f = h.form();
    const QStringList book{"ADMIN1=777", "X=1"};
    f.PhoneBook1->SetStrings(book);
    f.ADMIN1->setText("stale");
    f.ADMIN2->setText("stale");
    h.click(f.LoadSIMPC);
    QCOMPARE(f.PhoneBook1->Strings(), book);
    QCOMPARE(f.Numbers->text(), "2");
    QCOMPARE(f.ADMIN1->text(), "777");
    QCOMPARE(f.ADMIN2->text(), "");
    // The blank row of an empty book counts.
    f.PhoneBook1->Clear();
    h.click(f.LoadSIMPC);
    QCOMPARE(f.Numbers->text(), "1");
    QCOMPARE(h.dialogs().openFilters.size(), 2);
  }

  // A missing file, and one far too big for a phone book: an error, and nothing changes.
  void failedLoadTouchesNothing() {
    WindowHarness h;
    TForm1& f = h.form();
    const QString big = h.path("big.phb");
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(MaxPhoneBookFileSize + 1));
    file.close();
    const QStringList book{"ADMIN1=777"};
    f.PhoneBook1->SetStrings(book);
    f.Numbers->setText("42");
    f.ADMIN1->setText("shown");
    h.dialogs().openNames << h.path("missing.phb") << big;
    h.click(f.LoadSIMPC);
    h.click(f.LoadSIMPC);
    QCOMPARE(h.dialogs().errors,
             QStringList(
                 {"Cannot open file \"" + h.path("missing.phb") + "\". No such file or directory.",
                  "Cannot open file \"" + big + "\". File too large."}));
    QCOMPARE(f.PhoneBook1->Strings(), book);
    QCOMPARE(f.Numbers->text(), "42");
    QCOMPARE(f.ADMIN1->text(), "shown");
  }

  void failedSavesAreReported() {
    WindowHarness h;
    TForm1& f = h.form();
    const QString book = h.path("none/b.phb");
    h.dialogs().saveNames << book << h.path("none/s.sms") << h.path("none/m.mon");
    h.click(f.SaveSIMPC);
    h.click(f.SaveSMSPC);
    h.click(f.SaveMonitor);
    QCOMPARE(
        h.dialogs().errors,
        QStringList(
            {"Cannot create file \"" + book + "\". No such file or directory.", "Invalid filename.",
             "Cannot create file \"" + h.path("none/m.mon") + "\". No such file or directory."}));
    h.dialogs().openNames << h.path("missing.sms");
    h.click(f.LoadSMSPC);
    QCOMPARE(h.dialogs().errors.last(), "File not found.");
  }

  // All twelve fields in table order, enabled or not; what a file holds passes the filters.
  void smsFiles() {
    WindowHarness h;
    TForm1& f = h.form();
    QVERIFY(!f.SMSPhone6->isEnabled());
    setSmsFields(f, QStringList(12, QString()));
    h.dialogs().saveNames << h.path("empty.sms") << h.path("full.sms") << h.path("again.sms");
    h.click(f.SaveSMSPC);
    QCOMPARE(readBytes(h.path("empty.sms")), QByteArray("\r\n").repeated(12));

    setSmsFields(f, Filled);
    h.click(f.SaveSMSPC);
    QCOMPARE(readBytes(h.path("full.sms")), Filled.join("\r\n").toLatin1() + "\r\n");

    // Five lines: the other seven fields are emptied.
    writeBytes(h.path("five.sms"), "+4201\r\nDoor open\r\n+4202\nAlarm\n+4203");
    // Empty, or the end mark first: nothing changes.
    writeBytes(h.path("empty.sms"), "");
    writeBytes(h.path("eof.sms"), "\x1a+9\r\n");
    writeBytes(h.path("raw.sms"), "  +420 603\r\nDoor: open\r\n5x\r\n");
    h.dialogs().openNames << h.path("five.sms") << h.path("empty.sms") << h.path("eof.sms")
                          << h.path("raw.sms");
    h.click(f.LoadSMSPC);
    const QStringList five{"+4201", "Door open", "+4202", "Alarm", "+4203", "",
                           "",      "",          "",      "",      "",      ""};
    QCOMPARE(smsFields(f), five);
    h.click(f.LoadSMSPC);
    h.click(f.LoadSMSPC);
    QCOMPARE(smsFields(f), five);

    h.click(f.LoadSMSPC);
    QCOMPARE(smsFields(f).mid(0, 3), QStringList({"+420", "Door", "+"}));
    h.click(f.SaveSMSPC);
    QVERIFY(readBytes(h.path("again.sms")).startsWith("+420\r\nDoor\r\n+\r\n\r\n"));
    QCOMPARE(h.dialogs().openFilters, QStringList(4, "SMS files (*.sms)"));
    QCOMPARE(h.dialogs().saveFilters, QStringList(3, "SMS files (*.sms)"));
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // One line in the file per line received; nothing received writes nothing, and one empty
  // line is a line.
  void monitor_data() {
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("nothing") << QByteArray() << QByteArray();
    QTest::newRow("one empty line") << QByteArray("\r\n") << QByteArray("\r\n");
    QTest::newRow("empty, OK, empty")
        << QByteArray("\r\nOK\r\n\r\n") << QByteArray("\r\nOK\r\n\r\n");
    QTest::newRow("two empty, then text")
        << QByteArray("\r\r+CSQ: 9,99\r") << QByteArray("\r\n\r\n+CSQ: 9,99\r\n");
    QTest::newRow("bytes above 127") << QByteArray("A\xA0\xE9\r") << QByteArray("A\xA0\xE9\r\n");
  }
  void monitor() {
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, file);
    WindowHarness h(quietUnit());
    TForm1& f = h.form();
    if (!received.isEmpty()) h.unit().injectBytes(received);
    h.run(200);
    h.dialogs().saveNames << h.path("m.mon");
    h.click(f.SaveMonitor);
    QVERIFY(h.dialogs().errors.isEmpty());
    QCOMPARE(readBytes(h.path("m.mon")), file);
    QCOMPARE(h.dialogs().saveFilters, QStringList{"Monitor files (*.mon)"});
  }
};

QTEST_MAIN(TestPcFiles)
#include "test_pcfiles.moc"
