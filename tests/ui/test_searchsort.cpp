// SPDX-License-Identifier: GPL-3.0-or-later
// Find, Find Next and Sort of the phone book grid, on the real window.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <random>

#include "app/Form1.h"
#include "phonebook/NameValueGrid.h"
#include "support/WindowHarness.h"

namespace {

void load(TForm1& f, const QStringList& lines, bool autoverify = false) {
  f.Autoverify->setChecked(false);
  f.PhoneBook1->SetStrings(lines);
  f.Autoverify->setChecked(autoverify);
}

using Entry = QPair<QString, QString>;

QList<Entry> cells(const TNameValueGrid* g) {
  QList<Entry> result;
  for (int r = 1; r <= g->LineCount(); ++r) result.append({g->Cell(0, r), g->Cell(1, r)});
  return result;
}

}  // namespace

class TestSearchSort : public QObject {
  Q_OBJECT

 private slots:
  void findByName() {
    WindowHarness h;
    TForm1& f = h.form();
    load(f, {"X=905", "OPER=1", "ADMIN2=2", "ADMIN1=3", "SADM=4"});
    f.PhoneBook1->setCurrentIndex(f.PhoneBook1->model()->index(0, 1));
    f.FindName->setText("adm");
    f.FindPhone->setText("905");
    h.click(f.Find);
    QCOMPARE(f.FindName->text(), QString("ADM"));
    QCOMPARE(f.PhoneBook1->Row(), 3);
    QCOMPARE(f.PhoneBook1->currentIndex().column(), 1);  // the column stays
    QCOMPARE(f.FoundRow, 3);
    QCOMPARE(QApplication::focusWidget(), f.PhoneBook1);

    h.click(f.FindNext);
    QCOMPARE(f.FoundRow, 4);
    h.click(f.FindNext);
    QCOMPARE(f.FoundRow, 5);  // anywhere in the name
    h.click(f.FindNext);      // no wrap
    QCOMPARE(f.FoundRow, 5);
    QCOMPARE(f.PhoneBook1->Row(), 5);

    // Find Next compares the text as typed: small letters find no capitals.
    f.FindName->setText("adm");
    f.PhoneBook1->SetRow(1);
    f.FoundRow = 1;
    h.click(f.FindNext);
    QCOMPARE(f.PhoneBook1->Row(), 1);
    QCOMPARE(f.FindName->text(), QString("adm"));

    // A name given and not found: the number is not searched, nothing moves.
    f.FindName->setText("nothing");
    h.click(f.Find);
    QCOMPARE(f.FindName->text(), QString("NOTHING"));
    QCOMPARE(f.PhoneBook1->Row(), 1);
    QCOMPARE(f.FoundRow, 1);

    // Only a to z become capitals.
    f.FindName->setText(QString::fromLatin1("x\xe4"));
    h.click(f.Find);
    QCOMPARE(f.FindName->text(), QString::fromLatin1("X\xe4"));
    QVERIFY(h.dialogs().messages.isEmpty() && h.dialogs().errors.isEmpty());
  }

  void findByNumberAndShared() {
    WindowHarness h;
    TForm1& f = h.form();
    load(f, {"A=1", "ADMIN1=905", "B=2", "ADMIN2=3", "C=19050"});
    h.click(f.FindNext);  // before any Find
    QCOMPARE(f.FoundRow, 0);
    QCOMPARE(f.PhoneBook1->Row(), 1);

    f.FindPhone->setText("905");
    h.click(f.Find);
    QCOMPARE(f.FoundRow, 2);
    h.click(f.FindNext);
    QCOMPARE(f.FoundRow, 5);

    // FoundRow is shared: a name typed now is searched below the number's row.
    f.FoundRow = 2;
    f.FindName->setText("ADMIN");
    h.click(f.FindNext);
    QCOMPARE(f.FoundRow, 4);

    // A row beyond a since shortened book.
    f.FoundRow = 40;
    h.click(f.FindNext);
    QCOMPARE(f.FoundRow, 40);
  }

  void sortOrder_data() {
    QTest::addColumn<bool>("autoverify");
    QTest::newRow("unticked") << false;
    QTest::newRow("ticked") << true;
  }

  void sortOrder() {
    QFETCH(bool, autoverify);
    WindowHarness h;
    TForm1& f = h.form();
    f.Numbers->setText("4");
    load(f, {"ALARM1=1", "ADMIN2=2", "ADMIN1=3", "=", "ADMIN10=4", "B=first", "B=second"},
         autoverify);
    f.PhoneBook1->SetRow(2);
    f.FoundRow = 6;
    QList<bool> barShownAtWrite;
    connect(f.PhoneBook1, &TNameValueGrid::StringsChange, f.PhoneBook1,
            [&] { barShownAtWrite << f.Prubeh->isVisible(); });
    h.click(f.Sort);
    QCOMPARE(cells(f.PhoneBook1), (QList<Entry>{{"", ""},
                                                {"ADMIN1", "3"},
                                                {"ADMIN10", "4"},
                                                {"ADMIN2", "2"},
                                                {"ALARM1", "1"},
                                                {"B", "first"},
                                                {"B", "second"}}));
    QVERIFY(!barShownAtWrite.isEmpty());
    QVERIFY(!barShownAtWrite.contains(false));
    QVERIFY(f.Prubeh->isHidden());
    QCOMPARE(f.Prubeh->maximum(), 8);
    QCOMPARE(f.PhoneBook1->Row(), 2);
    QCOMPARE(f.FoundRow, 6);
    QCOMPARE(f.Numbers->text(), QString("4"));
    QVERIFY(h.dialogs().messages.isEmpty() && h.dialogs().errors.isEmpty());
    QVERIFY(!f.ButtonsLocked);

    // Already in order: no write at all.
    barShownAtWrite.clear();
    h.click(f.Sort);
    QVERIFY(barShownAtWrite.isEmpty());
    QVERIFY(f.Prubeh->isHidden());
  }

  void sortWritesRunTheCheck() {
    // Every cell write of every exchange is a change checked on the current row; a faulty row
    // is reported once per sort, the sort goes on, and the grid stays grey.
    WindowHarness h;
    TForm1& f = h.form();
    for (int sort = 1; sort <= 2; ++sort) {
      load(f, {"D=1", "C=2", "B=3", "A=4", "bad=5"}, true);
      f.PhoneBook1->SetRow(5);
      QSignalSpy writes(f.PhoneBook1, &TNameValueGrid::StringsChange);
      h.click(f.Sort);
      QCOMPARE(writes.count(), 24);
      QCOMPARE(h.dialogs().messages, QStringList(sort, f.Messages.IncorrectName));
      QCOMPARE(f.PhoneBook1->Strings(), QStringList({"A=4", "B=3", "C=2", "D=1", "bad=5"}));
      QVERIFY(f.EntryFault);
      QCOMPARE(f.PhoneBook1->Background(), f.PHONE->palette().color(QPalette::Window));
    }
    // Outside a sort every fault is shown again.
    f.PhoneBook1->SetCell(1, 5, "6");
    QCOMPARE(h.dialogs().messages.size(), 3);
  }

  void largeBookBothWays() {
    // Many equal names, so that a non-stable sort would show; both code paths against a
    // reference stable sort of the cells.
    std::mt19937 rng(11);
    QStringList book;
    QList<Entry> expected;
    for (int i = 0; i < 200; ++i) {
      QString name;
      for (int k = int(rng() % 3); k >= 0; --k) name += QChar('A' + int(rng() % 3));
      if (rng() % 15 == 0) name.clear();
      const QString number = QString::number(i);
      book << name + "=" + number;
      expected.append({name, number});
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const Entry& a, const Entry& b) { return a.first < b.first; });

    WindowHarness h;
    TForm1& f = h.form();
    load(f, book, false);
    h.click(f.Sort);
    QCOMPARE(cells(f.PhoneBook1), expected);
    load(f, book, true);
    h.click(f.Sort);
    QCOMPARE(cells(f.PhoneBook1), expected);
    QVERIFY(h.dialogs().messages.isEmpty() && h.dialogs().errors.isEmpty());
  }
};

QTEST_MAIN(TestSearchSort)
#include "test_searchsort.moc"
