// The PC file buttons of the PHONE, SMS and MONITOR pages, and text in every language through
// the files and the settings, on the real window under a UTF-8 locale.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/Form1.h"
#include "files/TextFiles.h"
#include "link/LineRules.h"
#include "phonebook/NameValueGrid.h"
#include "support/FileBytes.h"
#include "support/WindowHarness.h"

namespace {

// Key presses that carry letters of any language, as a keyboard layout delivers them.
void typeText(QWidget* w, const QString& text) {
  for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, c, {});
}

// Types text into a grid cell as a user does: the editor opens, the text goes in, Return.
void typeIntoCell(TNameValueGrid* grid, int col, int row, const QString& text) {
  grid->setCurrentIndex(grid->model()->index(row - 1, col));
  grid->edit(grid->currentIndex());
  auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
  QVERIFY(editor);
  editor->selectAll();
  typeText(editor, text);
  QTest::keyClick(editor, Qt::Key_Return);
}

void typeInto(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  typeText(edit, text);
}

QStringList smsFields(const TForm1& f) {
  QStringList fields;
  for (int k = 0; k < 6; ++k) fields << f.SmsPhones[k]->text() << f.SmsTexts[k]->text();
  return fields;
}

}  // namespace

class TestPcFiles : public QObject {
  Q_OBJECT

 private slots:
  void phoneBook() {
    WindowHarness h;
    TForm1& f = h.form();
    const QStringList book{"ADMIN1=+420603111222", "", "no equals", QString::fromLatin1("N\xE9=1")};
    f.PhoneBook1->SetStrings(book);
    h.dialogs().saveNames << h.path("b.phb");
    h.click(f.SaveSIMPC);
    QCOMPARE(readBytes(h.path("b.phb")),
             "ADMIN1=+420603111222\r\n\r\nno equals\r\nN\xC3\xA9=1\r\n");

    // One change for the whole file, checked on row 1; Numbers and the Info panel follow.
    writeBytes(h.path("three.phb"), "ADMIN1=123\nRTIME=5\rOPER=900");
    f.PhoneBook1->SetRow(3);
    f.Autoverify->setChecked(true);
    QSignalSpy changes(f.PhoneBook1, &TNameValueGrid::StringsChange);
    h.dialogs().openNames << h.path("three.phb") << h.path("b.phb");
    h.click(f.LoadSIMPC);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(f.PhoneBook1->Row(), 1);
    QCOMPARE(f.Numbers->text(), "3");
    QCOMPARE(f.ADMIN1->text() + f.RTIME->text() + f.OPER->text(), "1235 s900");

    h.click(f.LoadSIMPC);
    QCOMPARE(f.PhoneBook1->Strings(), book);
    QCOMPARE(f.Numbers->text(), "4");
    QCOMPARE(h.dialogs().openFilters + h.dialogs().saveFilters,
             QStringList(3, "PhoneBook files (*.phb)"));
    QVERIFY(h.dialogs().errors.isEmpty() && h.dialogs().messages.isEmpty());

    // Cancelled: the book stays, Numbers and the Info panel are refreshed all the same.
    f.PhoneBook1->Clear();
    f.ADMIN1->setText("stale");
    h.click(f.LoadSIMPC);
    QCOMPARE(f.PhoneBook1->LineCount(), 0);
    QCOMPARE(f.Numbers->text(), "1");
    QCOMPARE(f.ADMIN1->text(), "");
  }

  // A missing file, one far too big for a phone book, a binary one (a UTF-16 export): an
  // error, and nothing changes.
  void failedLoadTouchesNothing() {
    WindowHarness h;
    TForm1& f = h.form();
    const QString big = h.path("big.phb");
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(MaxPhoneBookFileSize + 1));
    file.close();
    const QByteArray utf16(
        "\xFF\xFE+\0"
        "1\0\r\0\n\0",
        10);
    writeBytes(h.path("utf16.phb"), utf16);
    writeBytes(h.path("utf16.sms"), utf16);
    f.PhoneBook1->SetStrings({"ADMIN1=777"});
    f.Numbers->setText("42");
    f.ADMIN1->setText("shown");
    f.SMSPhone1->setText("+4201");
    h.dialogs().openNames << h.path("no.phb") << big << h.path("utf16.phb") << h.path("utf16.sms");
    h.click(f.LoadSIMPC);
    h.click(f.LoadSIMPC);
    h.click(f.LoadSIMPC);
    h.click(f.LoadSMSPC);
    QCOMPARE(
        h.dialogs().errors,
        QStringList({"Cannot open file \"" + h.path("no.phb") + "\". No such file or directory.",
                     "Cannot open file \"" + big + "\". File too large.",
                     "Cannot open file \"" + h.path("utf16.phb") + "\". Not a text file.",
                     "Not a text file."}));
    QCOMPARE(f.PhoneBook1->Strings(), QStringList{"ADMIN1=777"});
    QCOMPARE(f.Numbers->text() + f.ADMIN1->text() + f.SMSPhone1->text(), "42shown+4201");
  }

  // All twelve fields in table order, pairs 4 to 6 disabled or not; a file passes the filters.
  void smsFiles() {
    WindowHarness h;
    TForm1& f = h.form();
    QVERIFY(!f.SMSPhone6->isEnabled());
    h.dialogs().saveNames << h.path("empty.sms") << h.path("full.sms") << h.path("again.sms");
    h.click(f.SaveSMSPC);
    QCOMPARE(readBytes(h.path("empty.sms")).size(), 24);
    writeBytes(h.path("full.sms"),
               "+1\r\na\r\n+2\r\nb\r\n+3\r\nc\r\n+4\r\nd\r\n+5\r\ne\r\n+6\r\nf\r\n");
    h.dialogs().openNames << h.path("full.sms") << h.path("five.sms") << h.path("empty.sms")
                          << h.path("raw.sms");
    h.click(f.LoadSMSPC);
    QCOMPARE(smsFields(f).join(","), "+1,a,+2,b,+3,c,+4,d,+5,e,+6,f");
    h.click(f.SaveSMSPC);  // writes the same file again
    QCOMPARE(readBytes(h.path("full.sms")),
             "+1\r\na\r\n+2\r\nb\r\n+3\r\nc\r\n+4\r\nd\r\n+5\r\ne\r\n+6\r\nf\r\n");

    writeBytes(h.path("five.sms"), "+4201\r\nDoor open\r\n+4202\r\nAlarm\r\n+4203\r\n");
    writeBytes(h.path("empty.sms"), "");
    writeBytes(h.path("raw.sms"), "  +420 603\r\nDoor: open\r\n5x\r\n");
    h.click(f.LoadSMSPC);
    h.click(f.LoadSMSPC);  // the empty file changes nothing
    QCOMPARE(smsFields(f).join(","), "+4201,Door open,+4202,Alarm,+4203,,,,,,,");
    h.click(f.LoadSMSPC);
    h.click(f.SaveSMSPC);
    QCOMPARE(readBytes(h.path("again.sms")),
             "+420\r\nDoor\r\n+\r\n" + QByteArray("\r\n").repeated(9));
    QCOMPARE(h.dialogs().openFilters + h.dialogs().saveFilters,
             QStringList(7, "SMS files (*.sms)"));
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  // What the user types and what a translator writes comes back after a save and a load, and
  // after a close and a restart; a text an 8-bit locale cannot hold stops the save by name.
  void textInEveryLanguage() {
    const QString brana = QStringLiteral("Br\u00E1na \u010D.1");
    const QString nacist = QStringLiteral("Na\u010D\u00EDst SIM");
    const QString jiri = QStringLiteral("JI\u0158I");
    const QString file = QStringLiteral("p\u0159ehled-\u03A9");
    WindowHarness::Setup s;
    s.settings = ("[Language]\r\nLoad SIM=" + nacist + "\r\n").toUtf8();
    QByteArray ini, book, csv;
    {
      WindowHarness h(s);
      TForm1& f = h.form();
      QCOMPARE(f.LoadPHONE->text(), nacist);
      typeInto(f.RelA, brana);
      typeInto(f.SaveFile, file);
      typeIntoCell(f.PhoneBook1, 0, 1, jiri);
      h.dialogs().saveNames << h.path("b.phb") << h.path("a.csv");
      h.click(f.SaveSIMPC);
      h.unit().setEntry(1, "123", "ADMIN1");
      h.run(500);
      h.unit().call("123");
      h.run(300);
      h.click(f.Sav);
      QVERIFY(h.dialogs().errors.isEmpty());
      QVERIFY(f.close());
      ini = readBytes(h.path("zulset.ini"));
      book = readBytes(h.path("b.phb"));
      csv = readBytes(h.path("a.csv"));
    }
    QVERIFY(ini.contains(("RelA=" + brana + "\r\n").toUtf8()));
    QVERIFY(ini.contains(("Load SIM=" + nacist + "\r\n").toUtf8()));
    QVERIFY(book.startsWith((jiri + "=\r\n").toUtf8()));
    QVERIFY(csv.endsWith(("  /" + brana + "\r\n").toUtf8()));

    s.settings = ini;
    WindowHarness h(s);
    TForm1& f = h.form();
    QCOMPARE(f.RelA->text(), brana);
    QCOMPARE(f.SaveFile->text(), file);
    QCOMPARE(f.LoadPHONE->text(), nacist);
    writeBytes(h.path("b.phb"), book);
    h.dialogs().openNames << h.path("b.phb");
    h.click(f.LoadSIMPC);
    QCOMPARE(f.PhoneBook1->Cell(0, 1), jiri);

    // In the C locale the settings file is 8-bit: the close says which text it cannot hold and
    // leaves the file as it was.
    qputenv("LC_ALL", "C");
    const auto restore = qScopeGuard([] { qputenv("LC_ALL", "C.UTF-8"); });
    QVERIFY(f.close());
    QCOMPARE(h.dialogs().errors.size(), 1);
    QVERIFY2(h.dialogs().errors[0].startsWith("Unable to write to " + h.path("zulset.ini") +
                                              ". The text \"" + brana + "\""),
             qPrintable(h.dialogs().errors[0]));
    QCOMPARE(readBytes(h.path("zulset.ini")), ini);
  }

  // A line in the file per line received: nothing received writes nothing, and a first empty
  // line is a line.
  void monitor_data() {
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("nothing") << QByteArray() << QByteArray();
    QTest::newRow("one empty line") << QByteArray("\r\n") << QByteArray("\r\n");
    QTest::newRow("empty, OK, empty")
        << QByteArray("\r\nOK\r\n\r\n") << QByteArray("\r\nOK\r\n\r\n");
    QTest::newRow("two empty, bytes above 127")
        << QByteArray("\r\rA\xA0\xE9\r") << QByteArray("\r\n\r\nA\xA0\xE9\r\n");
    QTest::newRow("carriage returns only, controls dropped")
        << QByteArray("a\rb\x01\x7f\x80\xff\r\n\r") << QByteArray("a\r\nb\x7f\x80\xff\r\n\r\n");
    QTest::newRow("long line kept to the limit, half a line not written")
        << QByteArray(3000, 'x') + "\r\n" + QByteArray(kMaxLineLength, 'y') + "\rhalf"
        << QByteArray(kMaxLineLength, 'x') + "\r\n" + QByteArray(kMaxLineLength, 'y') + "\r\n";
  }
  void monitor() {
    QFETCH(QByteArray, received);
    QFETCH(QByteArray, file);
    WindowHarness::Setup quiet;  // the unit says nothing of its own
    quiet.beforeStart = [](WindowHarness& h) { h.unit().silence(1000000000); };
    WindowHarness h(quiet);
    if (!received.isEmpty()) h.unit().injectBytes(received);
    h.run(200);
    h.dialogs().saveNames << h.path("m.mon");
    h.click(h.form().SaveMonitor);
    QCOMPARE(readBytes(h.path("m.mon")), file);
    QCOMPARE(h.dialogs().saveFilters, QStringList{"Monitor files (*.mon)"});
  }
};

int main(int argc, char** argv) {
  // The files follow the locale's character set; the test does not take the machine's.
  qputenv("LC_ALL", "C.UTF-8");
  QApplication app(argc, argv);
  TestPcFiles test;
  return QTest::qExec(&test, argc, argv);
}
#include "test_pcfiles.moc"
