// SPDX-License-Identifier: GPL-3.0-or-later
// The PC file buttons of the PHONE, SMS and MONITOR pages, the phone book's ways to and from
// spreadsheets (.csv, the clipboard, dropped files), and text in every language through the
// files and the settings, on the real window under a UTF-8 locale.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
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

// A file of tests/data/spreadsheets, as a spreadsheet wrote it.
QByteArray sheetFile(const char* name) {
  // The source folder from the test's environment: a build with relative paths has no absolute
  // __FILE__ for QFINDTESTDATA to start from.
  return readBytes(qEnvironmentVariable("ZUL_SOURCE_DIR") +
                   QStringLiteral("/tests/data/spreadsheets/") + name);
}

void key(TNameValueGrid* grid, QKeySequence::StandardKey k) {
  const QKeySequence seq(k);
  QTest::keyClick(grid, Qt::Key(seq[0].key()), seq[0].keyboardModifiers());
}

void dropFiles(TForm1& f, const QStringList& names) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& n : names) urls << QUrl::fromLocalFile(n);
  data.setUrls(urls);
  // Qt hands the drop to the widget that took the drag's entry.
  QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&f, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&f, &drop);
  QVERIFY(drop.isAccepted());
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
             QStringList(3, "PhoneBook files (*.phb);;Spreadsheet (*.csv);;Contacts (*.vcf)"));
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

  // What spreadsheets write, each file with the grid it gives or what it shows (%1: its path).
  void spreadsheetFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("yes");  // the answer to a question
    QTest::addColumn<QStringList>("grid");
    QTest::addColumn<QString>("shown");
    const QStringList kept{"KEPT=1"};
    const QStringList lo{"ADMIN1=+420777111222", "NOVAK=420603111222", "SVOBODA=00420603111333",
                         "CRED=*101#", "RTIME=5"};
    const QString novak =
        "A spreadsheet that took this phone number for a number may have "
        "dropped its \"+\" or leading zeros (1):\nNOVAK (420603111222)\n\n"
        "Take it as it is?";
    const QString notLoaded = "\"%1\" was not loaded: ";
    const QString spoilt = notLoaded +
                           "a spreadsheet has shown these phone numbers as numbers in "
                           "scientific form and lost digits; format their column as text and "
                           "type them again (2):\n";
    const QString noEntry = notLoaded + "it holds no row with a name or a number.";
    // LibreOffice 7.4, as it saves: extra columns, quotes, a line break in a cell, LF.
    QTest::newRow("LibreOffice, English, comma")
        << sheetFile("lo-en-comma.csv") << true << lo << novak;
    QTest::newRow("LibreOffice, Czech, semicolon, declined")
        << sheetFile("lo-cs-semicolon.csv") << false << kept << novak;
    QTest::newRow("Excel, English, General format")
        << sheetFile("excel-en-general.csv") << false << kept
        << spoilt + "ADMIN1 (4.20777E+11)\nNOVAK (6.03111E+11)";
    QTest::newRow("Excel, Czech, General format")
        << sheetFile("excel-cs-general.csv") << false << kept
        << spoilt + "ADMIN1 (4,20777E+11)\nSVOBODA (4,20603E+11)";
    QTest::newRow("Excel, Czech, column as text")
        << sheetFile("excel-cs-text.csv") << false
        << QStringList{"ADMIN1=+420777111222", "NOVAK=00420603111222", "RTIME=05", "CRED=*101#"}
        << "";
    QTest::newRow("Excel, CSV UTF-8")
        << sheetFile("excel-en-utf8.csv") << false
        << QStringList{"ADMIN1=+420777111222", "NOVAK, JAN=+420603111222",
                       QStringLiteral("\u0158EHO\u0158=+420603111333")}
        << "";
    QTest::newRow("Excel, column widened")
        << sheetFile("excel-en-wide.csv") << true
        << QStringList{"ADMIN1=420777111222", "ADMIN2=420603111222", "OPER=900"}
        << "A spreadsheet that took these phone numbers for numbers may have dropped their "
           "\"+\" or leading zeros (2):\nADMIN1 (420777111222)\nADMIN2 (420603111222)\n\nTake them "
           "as they "
           "are?";
    QTest::newRow("Excel for Mac")
        << sheetFile("excel-mac.csv") << false
        << QStringList{"ADMIN1=+420777111222", "ALARM1=+420603111222"} << "";
    // Our own file, opened in LibreOffice (formulas shown as typed, or evaluated) and saved.
    const QStringList ours{"ADMIN1=+420777111222", "NOVAK=00420603111222", "RTIME=05",
                           "CRED=*101#",           "A;B=+420603111333",    "OUT="};
    QTest::newRow("ours, saved by LibreOffice")
        << sheetFile("lo-cs-ours-saved-literal.csv") << false << ours << "";
    QTest::newRow("ours, evaluated and saved by LibreOffice")
        << sheetFile("lo-cs-ours-saved-evaluated.csv") << false << ours << "";
    QTest::newRow("sep= line before the guess") << QByteArray("sep=,\r\nNOVAK;JAN,=\"007\"\r\n")
                                                << false << QStringList{"NOVAK;JAN=007"} << "";
    QTest::newRow("tab-separated, quoted")
        << QByteArray("Name\tPhone\r\n\"NOVAK\"\t\"+420 1\"\r\nOUT\t\r\n") << false
        << QStringList{"NOVAK=+420 1", "OUT="} << "";
    QTest::newRow("empty file") << QByteArray() << false << kept << noEntry;
    QTest::newRow("header only") << QByteArray("Name;Phone\r\n") << false << kept << noEntry;
    QTest::newRow("blank rows only") << QByteArray(";\r\n;;\r\n") << false << kept << noEntry;
    QTest::newRow("blank rows around an entry") << QByteArray("\n;\n\n\"\";\"\"\nA;1\n\n") << false
                                                << QStringList{"", "=", "", "=", "A=1", ""} << "";
    QTest::newRow("quote never closed")
        << QByteArray("ADMIN1;\"+420777\r\nNOVAK;123\r\n") << false << kept
        << notLoaded + "the quotation mark that opens a cell in row 1 is never closed.";
    QTest::newRow("\"=\" in a name") << QByteArray("ADMIN1;1\r\nA=B;123\r\n") << false << kept
                                     << notLoaded +
                                            "the name in row 2 holds \"=\", which no "
                                            "name can.";
    QTest::newRow("cell too long")
        << QByteArray("ADMIN1;") + QByteArray(32768, '1') << false << kept
        << notLoaded + "row 1 holds a cell of 32768 characters; a cell takes at most 32767.";
    QTest::newRow("quoted cell far too long")
        << "A;1\r\nB;\"" + QByteArray(100000, 'x') + "\"\r\n"
        << false << kept
        << notLoaded + "row 2 holds a cell of 100000 characters; a cell takes at most 32767.";
    QTest::newRow("binary") << QByteArray("\xFF\xFEN\0;\0", 6) << false << kept
                            << "Cannot open file \"%1\". Not a text file.";
  }
  void spreadsheetFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, yes);
    QFETCH(QStringList, grid);
    QFETCH(QString, shown);
    WindowHarness h;
    TForm1& f = h.form();
    const QString name = h.path("book.csv");
    writeBytes(name, bytes);
    f.PhoneBook1->SetStrings({"KEPT=1"});
    h.dialogs().openNames << name;
    h.dialogs().answers << yes;
    h.click(f.LoadSIMPC);
    QCOMPARE(f.PhoneBook1->Strings(), grid);
    QStringList texts = h.dialogs().errors;
    for (const auto& q : h.dialogs().questions) texts << q.second;
    QCOMPARE(texts.join("|"), QString(shown).replace("%1", name));
    for (const auto& q : h.dialogs().questions) QCOMPARE(q.first, "ZUL Set");
  }

  // Saved as .csv and loaded again, every line comes back as it was; numbers stay text (="...")
  // for Excel, which splits at ";" in any regional setting after "sep=;".
  void spreadsheetRoundTrip() {
    WindowHarness h;
    TForm1& f = h.form();
    const QStringList book{"ADMIN1=+420777111222",
                           "RTIME=05",
                           "=",
                           "",
                           "no equals",
                           "N;X=\"q\" 1;2",
                           " SP = 00 ",
                           "A=1=2",
                           "Name=Phone",
                           "sep=;",
                           "W=4.20777E+11",
                           "Z=420777111222",
                           QStringLiteral("JI\u0158\u00CD=+420\u00A0777"),
                           "L=" + QString(300, '9')};
    f.PhoneBook1->SetStrings(book.mid(0, 3));
    h.dialogs().saveNames << h.path("a.csv") << h.path("b.csv");
    h.click(f.SaveSIMPC);
    QCOMPARE(
        readBytes(h.path("a.csv")),
        "sep=;\r\nName;Phone\r\n=\"ADMIN1\";=\"+420777111222\"\r\n=\"RTIME\";=\"05\"\r\n;\r\n");
    f.PhoneBook1->SetStrings(book);
    h.click(f.SaveSIMPC);
    f.PhoneBook1->Clear();
    h.dialogs().openNames << h.path("b.csv");
    h.click(f.LoadSIMPC);
    QCOMPARE(f.PhoneBook1->Strings(), book);
    QCOMPARE(f.Numbers->text(), QString::number(book.size()));
    QVERIFY(h.dialogs().errors.isEmpty() && h.dialogs().questions.isEmpty());
  }

  // Ctrl+C, Ctrl+V and Ctrl+Z on the phone book with the real clipboard; every pasted row is
  // checked as a typed one, with one box for the paste.
  void clipboard() {
    WindowHarness h;
    TForm1& f = h.form();
    TNameValueGrid* grid = f.PhoneBook1;
    QClipboard* clip = QGuiApplication::clipboard();
    const QStringList book{"ADMIN1=+420777111222", "ADMIN2=+420603111222", "OPER=900"};
    grid->SetStrings(book);
    grid->SetRow(1);
    grid->selectionModel()->select(
        QItemSelection(grid->model()->index(0, 1), grid->model()->index(1, 1)),
        QItemSelectionModel::Select);
    key(grid, QKeySequence::Copy);
    QCOMPARE(clip->text(), "ADMIN1\t+420777111222\nADMIN2\t+420603111222\n");
    // The grid's own rows come back exactly, without questions.
    grid->SetStrings({"A=420777111222", "no equals"});
    grid->selectAll();
    key(grid, QKeySequence::Copy);
    key(grid, QKeySequence::Paste);
    QCOMPARE(grid->Strings(),
             QStringList({"A=420777111222", "no equals", "A=420777111222", "no equals"}));
    QVERIFY(h.dialogs().questions.isEmpty());
    grid->SetStrings(book);
    grid->SetRow(3);
    key(grid, QKeySequence::Copy);
    QCOMPARE(clip->text(), "OPER");

    // Rows from a spreadsheet, before the current row: each one checked, one box in all.
    f.Autoverify->setChecked(true);
    grid->SetRow(2);
    clip->setText("Name\tPhone\r\nRTIME\t7\r\nbad\t123\r\nworse\t456\r\n");
    key(grid, QKeySequence::Paste);
    QCOMPARE(grid->Strings(), QStringList({"ADMIN1=+420777111222", "RTIME=07", "bad=123",
                                           "worse=456", "ADMIN2=+420603111222", "OPER=900"}));
    QCOMPARE(h.dialogs().messages, QStringList{"Incorrect name"});
    QCOMPARE(grid->Row(), 2);
    QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 6);
    key(grid, QKeySequence::Undo);
    QCOMPARE(grid->Strings(), book);
    QCOMPARE(grid->Row(), 2);

    // Semicolons, one column into the number column, one value into the current cell.
    f.Autoverify->setChecked(false);
    clip->setText("ALARM1;+420111\nALARM2;+420222");
    key(grid, QKeySequence::Paste);
    QCOMPARE(grid->Strings().mid(1, 2), QStringList({"ALARM1=+420111", "ALARM2=+420222"}));
    grid->SetStrings(book);
    grid->setCurrentIndex(grid->model()->index(0, 1));
    clip->setText("+4201\n+4202\n");
    key(grid, QKeySequence::Paste);
    QCOMPARE(grid->Strings().mid(0, 3), QStringList({"=+4201", "=+4202", "ADMIN1=+420777111222"}));
    grid->SetStrings(book);
    grid->setCurrentIndex(grid->model()->index(2, 1));
    clip->setText("+420999\r\n");
    key(grid, QKeySequence::Paste);
    QCOMPARE(grid->Cell(1, 3), "+420999");
    key(grid, QKeySequence::Undo);
    QCOMPARE(grid->Strings(), book);

    // Ctrl+Delete is undone too, but no undo reaches over a later change.
    grid->SetRow(1);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    key(grid, QKeySequence::Undo);
    QCOMPARE(grid->Strings(), book);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    grid->SetCell(1, 1, "1");
    key(grid, QKeySequence::Undo);
    QCOMPARE(grid->Strings(), QStringList({"ADMIN2=1", "OPER=900"}));

    // A spoilt number stops the paste; the admissions grid takes no paste at all.
    clip->setText("A\t4.2E+11\nB\t1");
    key(grid, QKeySequence::Paste);
    QCOMPARE(h.dialogs().errors,
             QStringList{"Nothing was pasted: a spreadsheet has shown this phone number as a "
                         "number in scientific form and lost digits; format its column as text "
                         "and type it again (1):\nA (4.2E+11)"});
    QCOMPARE(grid->Strings(), QStringList({"ADMIN2=1", "OPER=900"}));
    grid->Clear();  // into an empty book the rows take the blank row's place
    clip->setText("A\t1\nB\t2\n");
    key(grid, QKeySequence::Paste);
    QCOMPARE(grid->Strings(), QStringList({"A=1", "B=2"}));
    f.AdmisRec->SetStrings({"D=1"});
    key(f.AdmisRec, QKeySequence::Paste);
    QCOMPARE(f.AdmisRec->Strings(), QStringList{"D=1"});

    // Into an open cell editor: rows go in as rows and the edited one keeps its name; the
    // admissions grid's editor, and any other way in, take the first cell's text only.
    auto openEditor = [](TNameValueGrid* g) {
      g->setCurrentIndex(g->model()->index(0, 0));
      g->edit(g->currentIndex());
      return qobject_cast<QLineEdit*>(g->indexWidget(g->currentIndex()));
    };
    grid->SetStrings({"CRED=*101#"});
    QLineEdit* editor = openEditor(grid);
    QVERIFY(editor);
    clip->setText("NOVAK\t+420603123456\nDVORAK\t+420602987654\n");
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(grid->Strings(),
             QStringList({"NOVAK=+420603123456", "DVORAK=+420602987654", "CRED=*101#"}));
    editor = openEditor(f.AdmisRec);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.AdmisRec->Cell(0, 1), QStringLiteral("NOVAK"));
    editor->setText("NO\tVAK\r\nX");
    emit editor->textEdited(editor->text());
    QCOMPARE(f.AdmisRec->Cell(0, 1), QStringLiteral("NO"));
  }

  // A file dropped on the window loads as its Load button would; another kind is named.
  void droppedFiles() {
    WindowHarness h;
    TForm1& f = h.form();
    writeBytes(h.path("b.phb"), "ADMIN1=1\r\nOPER=2\r\n");
    writeBytes(h.path("s.sms"), "+4201\r\nDoor\r\n");
    writeBytes(h.path("c.CSV"), "Name;Phone\r\nALARM1;+42033\r\n");
    f.PageControl1->setCurrentWidget(f.SMS);
    dropFiles(f, {h.path("b.phb")});
    h.settle();
    QCOMPARE(f.PhoneBook1->Strings(), QStringList({"ADMIN1=1", "OPER=2"}));
    QCOMPARE(f.Numbers->text() + f.ADMIN1->text(), "21");
    QCOMPARE(f.PageControl1->currentWidget(), f.PHONE);
    dropFiles(f, {h.path("s.sms"), h.path("notes.txt"), h.path("c.CSV")});
    h.settle();
    QCOMPARE(f.SMSPhone1->text() + f.SMSText1->text(), "+4201Door");
    QCOMPARE(f.PhoneBook1->Strings(), QStringList{"ALARM1=+42033"});
    QCOMPARE(h.dialogs().errors,
             QStringList{"\"" + h.path("notes.txt") +
                         "\" is not a phone book (.phb, .csv, .vcf) or an SMS file (.sms)."});
    writeBytes(h.path("d.vcf"), "BEGIN:VCARD\nVERSION:3.0\nFN:OPER\nTEL:900\nEND:VCARD\n");
    dropFiles(f, {h.path("d.vcf")});
    h.settle();
    QCOMPARE(f.PhoneBook1->Strings(), QStringList{"OPER=900"});
    // While a transfer runs the Load buttons are off, and so are drops.
    f.LockButtons();
    dropFiles(f, {h.path("b.phb")});
    h.settle();
    QCOMPARE(f.PhoneBook1->Strings(), QStringList{"OPER=900"});
  }

  // A phone's contacts through Load: the grid, Numbers and the Info panel take the rows and one
  // box names what was changed; a file that is no vCard changes nothing; what Save writes
  // comes back exactly.
  void contactFiles() {
    WindowHarness h;
    TForm1& f = h.form();
    const QString phone = h.path("phone.vcf"), broken = h.path("broken.vcf");
    writeBytes(phone,
               "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jan Dvořák\r\nTEL;TYPE=CELL:+420 603 111 222\r\n"
               "TEL;TYPE=HOME:233 111 222\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\n"
               "FN:ADMIN1\r\nTEL:+420777000111\r\nEND:VCARD\r\n");
    writeBytes(broken, "BEGIN:VCARD\r\nFN:A\r\nTEL:1\r\n");
    f.PhoneBook1->SetStrings({"KEPT=1"});
    f.Numbers->setText("1");
    h.dialogs().openNames << broken << phone;
    h.click(f.LoadSIMPC);
    QCOMPARE(h.dialogs().errors, QStringList{"\"" + broken +
                                             "\" was not loaded: the vCard that begins in line 1 "
                                             "has no END:VCARD."});
    QCOMPARE(f.PhoneBook1->Strings(), QStringList{"KEPT=1"});
    f.Autoverify->setChecked(true);
    h.click(f.LoadSIMPC);
    const QStringList rows{"JANDVMOB=+420603111222", "JANDHOME=233111222", "ADMIN1=+420777000111"};
    QCOMPARE(f.PhoneBook1->Strings(), rows);
    QCOMPARE(f.Numbers->text() + " " + f.ADMIN1->text(), "3 +420777000111");
    QCOMPARE(h.dialogs().messages,
             QStringList{"Rows loaded from \"" + phone +
                         "\": 3.\n\nThese were given names the unit can hold (2):\nJan Dvořák "
                         "(+420 603 111 222) as JANDVMOB\nJan Dvořák (233 111 222) as JANDHOME"});

    const QStringList book{"ADMIN1=+420777111222", "", "no equals", "Jan Dvořák=603 111", "OUT="};
    f.PhoneBook1->SetStrings(book);
    f.Autoverify->setChecked(false);
    h.dialogs().saveNames << h.path("own.vcf");
    h.click(f.SaveSIMPC);
    QVERIFY(readBytes(h.path("own.vcf")).startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
    f.PhoneBook1->Clear();
    h.dialogs().openNames << h.path("own.vcf");
    h.click(f.LoadSIMPC);
    QCOMPARE(f.PhoneBook1->Strings(), book);
    QCOMPARE(h.dialogs().messages.size() + h.dialogs().errors.size(), 2);
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
