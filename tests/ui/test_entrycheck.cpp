// SPDX-License-Identifier: GPL-3.0-or-later
// The entry check of the phone book grid and the Verify button, on the real window.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/Form1.h"
#include "phonebook/NameValueGrid.h"
#include "support/WindowHarness.h"

namespace {

enum Msg { None, IncorrectNumber, NumberTooLong, IncorrectName, TooLongName };

QString text(const TForm1& f, Msg m) {
  switch (m) {
    case IncorrectNumber:
      return f.Messages.IncorrectNumber;
    case NumberTooLong:
      return f.Messages.NumberTooLong;
    case IncorrectName:
      return f.Messages.IncorrectName;
    case TooLongName:
      return f.Messages.TooLongName;
    default:
      return QString();
  }
}

QColor pageColour(const TForm1& f) { return f.PHONE->palette().color(QPalette::Window); }
QColor windowColour(const TForm1& f) {
  return QApplication::palette(f.PhoneBook1).color(QPalette::Base);
}

// Replaces the book without running the check, then sets the box.
void load(TForm1& f, const QStringList& lines, bool autoverify) {
  f.Autoverify->setChecked(false);
  f.PhoneBook1->SetStrings(lines);
  f.Autoverify->setChecked(autoverify);
}

// Opens the editor of a cell with its text selected, as a first keystroke would find it.
QLineEdit* openEditor(TNameValueGrid* grid, int col, int row) {
  grid->setCurrentIndex(grid->model()->index(row - 1, col));
  grid->edit(grid->currentIndex());
  auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
  if (editor) editor->selectAll();
  return editor;
}

}  // namespace

Q_DECLARE_METATYPE(Msg)

class TestEntryCheck : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    WindowHarness h;
    const TForm1& f = h.form();
    for (Msg m : {IncorrectNumber, NumberTooLong, IncorrectName, TooLongName})
      QVERIFY(!text(f, m).isEmpty());
    QVERIFY(pageColour(f) != windowColour(f));
    QCOMPARE(f.PhoneBook1->Background(), windowColour(f));
  }

  // One check per program write of the whole row: the message, the colour, the stored number.
  void rules_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("limit");
    QTest::addColumn<Msg>("message");
    QTest::addColumn<QString>("stored");  // the number afterwards
    QTest::newRow("14 chars") << "ADMIN1=+4201234567890" << 13 << NumberTooLong << "+4201234567890";
    QTest::newRow("small letter") << "A=12a3" << 13 << IncorrectNumber << "12a3";
    QTest::newRow("letter and 20 chars")
        << "A=1234567890123456789x" << 13 << IncorrectNumber << "1234567890123456789x";
    QTest::newRow("bad number and name") << "admin=12x" << 13 << IncorrectNumber << "12x";
    QTest::newRow("lower-case name") << "admin1=1" << 13 << IncorrectName << "1";
    QTest::newRow("9-char name") << "ABCDEFGHI=1" << 13 << TooLongName << "1";
    QTest::newRow("blank row") << "=" << 13 << None << "";
    QTest::newRow("limit from settings") << "A=123456" << 5 << NumberTooLong << "123456";
    QTest::newRow("RTIME 5") << "RTIME=5" << 13 << None << "05";
    QTest::newRow("RTIME 120") << "RTIME=120" << 13 << None << "20";
    QTest::newRow("RTIME 5S") << "RTIME=5S" << 13 << IncorrectNumber << "5S";
  }

  void rules() {
    QFETCH(QString, line);
    QFETCH(int, limit);
    QFETCH(Msg, message);
    QFETCH(QString, stored);
    WindowHarness h;
    TForm1& f = h.form();
    f.MaxLengthNumber = limit;
    load(f, {"ADMIN2=777", "X=1"}, true);
    f.PhoneBook1->SetRow(1);
    h.dialogs().clear();
    f.EntryFault = message == None;  // the check must set it either way

    f.PhoneBook1->SetStrings({line, "ADMIN2=777"});

    QCOMPARE(h.dialogs().messages,
             message == None ? QStringList() : QStringList({text(f, message)}));
    QCOMPARE(f.EntryFault, message != None);
    QCOMPARE(f.PhoneBook1->Background(), message == None ? windowColour(f) : pageColour(f));
    QCOMPARE(f.PhoneBook1->Cell(1, 1), stored);
    // Only a pass refills the Info panel.
    QCOMPARE(f.ADMIN2->text(), message == None ? QString("777") : QString());
    QVERIFY(h.dialogs().errors.isEmpty());
  }

  void rtimeInfoLabel() {
    WindowHarness h;
    TForm1& f = h.form();
    load(f, {"RTIME=120", "ADMIN1=12345"}, true);
    f.PhoneBook1->SetRow(1);
    f.PhoneBook1->SetCell(1, 1, "5");
    QCOMPARE(f.PhoneBook1->Strings(), QStringList({"RTIME=05", "ADMIN1=12345"}));
    QCOMPARE(f.RTIME->text(), QString("05 s"));
    QCOMPARE(f.ADMIN1->text(), QString("12345"));

    f.PhoneBook1->SetCell(1, 1, "");  // an existing empty RTIME row
    QCOMPARE(f.RTIME->text(), QString(" s"));
    f.PhoneBook1->SetCell(0, 1, "OPER");
    QCOMPARE(f.RTIME->text(), QString("default [3s]"));
    QVERIFY(h.dialogs().messages.isEmpty());
  }

  void typing() {
    WindowHarness h;
    TForm1& f = h.form();
    load(f, {"ADMIN1=1"}, true);
    TNameValueGrid* g = f.PhoneBook1;
    g->SetRow(1);
    g->setFocus();
    QTest::keyClick(g, Qt::Key_Down);  // appends a blank row; it passes
    QCOMPARE(g->Row(), 2);
    QVERIFY(h.dialogs().messages.isEmpty());

    QLineEdit* editor = openEditor(g, 0, 2);
    QVERIFY(editor);
    QTest::keyClicks(editor, "admin");
    QCOMPARE(h.dialogs().messages, QStringList(5, f.Messages.IncorrectName));
    QVERIFY(f.EntryFault);
    QCOMPARE(g->Background(), pageColour(f));
    editor->selectAll();
    QTest::keyClicks(editor, "RTIME");
    QCOMPARE(h.dialogs().messages.size(), 5);
    QCOMPARE(g->Background(), windowColour(f));
    QTest::keyClick(editor, Qt::Key_Return);

    // The RTIME rewrite while the number is typed: stored and shown at once.
    editor = openEditor(g, 1, 2);
    QVERIFY(editor);
    QTest::keyClicks(editor, "5");
    QCOMPARE(editor->text(), QString("05"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(g->Strings(), QStringList({"ADMIN1=1", "RTIME=05"}));
    QCOMPARE(f.RTIME->text(), QString("05 s"));
    QCOMPARE(h.dialogs().messages.size(), 5);
  }

  void uncheckedBoxDoesNothing() {
    WindowHarness h;
    TForm1& f = h.form();
    load(f, {"ADMIN1=1"}, true);
    f.PhoneBook1->SetCell(1, 1, "1");
    QCOMPARE(f.ADMIN1->text(), QString("1"));
    f.Autoverify->setChecked(false);
    f.EntryFault = true;
    QLineEdit* editor = openEditor(f.PhoneBook1, 0, 1);
    QVERIFY(editor);
    QTest::keyClicks(editor, "bad name");
    f.PhoneBook1->SetCell(1, 1, "99");
    QVERIFY(h.dialogs().messages.isEmpty());
    QVERIFY(f.EntryFault);
    QCOMPARE(f.PhoneBook1->Background(), windowColour(f));
    QCOMPARE(f.ADMIN1->text(), QString("1"));  // no refill
  }

  void greyUntilAPass() {
    WindowHarness h;
    TForm1& f = h.form();
    load(f, {"A=1", "B=2"}, true);
    f.PhoneBook1->SetRow(1);
    f.PhoneBook1->SetCell(1, 1, "x");
    QCOMPARE(f.PhoneBook1->Background(), pageColour(f));
    f.Autoverify->setChecked(false);
    f.PhoneBook1->SetCell(1, 1, "1");
    QCOMPARE(f.PhoneBook1->Background(), pageColour(f));
    f.Autoverify->setChecked(true);
    f.PhoneBook1->SetRow(2);
    f.PhoneBook1->SetCell(1, 2, "3");
    QCOMPARE(f.PhoneBook1->Background(), windowColour(f));
    QVERIFY(!f.EntryFault);
  }

  void verify() {
    WindowHarness h;
    TForm1& f = h.form();
    QStringList book;
    for (int i = 1; i <= 10; ++i) book << QString("N%1=%1").arg(i);
    book[2] = "N3=3x";
    book[6] = "n7=7";  // never reached
    load(f, book, true);
    f.PhoneBook1->SetRow(10);
    h.dialogs().clear();
    h.click(f.Test);
    QCOMPARE(h.dialogs().messages, QStringList({f.Messages.IncorrectNumber}));
    QCOMPARE(f.PhoneBook1->Row(), 3);
    QVERIFY(f.EntryFault);
    QCOMPARE(f.PhoneBook1->Background(), pageColour(f));

    // Unticked, a failed state moves only to row 1 and shows nothing.
    f.Autoverify->setChecked(false);
    h.dialogs().clear();
    h.click(f.Test);
    QCOMPARE(f.PhoneBook1->Row(), 1);
    f.EntryFault = false;
    h.click(f.Test);
    QCOMPARE(f.PhoneBook1->Row(), 10);
    QVERIFY(h.dialogs().messages.isEmpty());

    // A clean book: the last row current, the window colour, the Info panel refilled.
    book[2] = "ADMIN3=3";
    book[6] = "N7=7";
    load(f, book, true);
    h.click(f.Test);
    QVERIFY(h.dialogs().messages.isEmpty());
    QCOMPARE(f.PhoneBook1->Row(), 10);
    QVERIFY(!f.EntryFault);
    QCOMPARE(f.PhoneBook1->Background(), windowColour(f));
    QCOMPARE(f.ADMIN3->text(), QString("3"));
  }
};

QTEST_MAIN(TestEntryCheck)
#include "test_entrycheck.moc"
