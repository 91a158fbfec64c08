// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>
#include <algorithm>
#include <random>

#include "phonebook/EntrySyntax.h"
#include "phonebook/PhoneBookCheck.h"
#include "phonebook/SearchRules.h"

Q_DECLARE_METATYPE(EntryFaultKind)

class TestEntrySyntax : public QObject {
  Q_OBJECT

 private slots:
  void check_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("limit");
    QTest::addColumn<EntryFaultKind>("fault");
    QTest::addColumn<QString>("numberAfter");  // empty: unchanged
    using F = EntryFaultKind;
    QTest::newRow("13 chars at the limit") << "ADMIN1"
                                           << "+420123456789" << 13 << F::None << "";
    QTest::newRow("14 chars") << "ADMIN1"
                              << "+4201234567890" << 13 << F::NumberTooLong << "";
    QTest::newRow("small letter") << "A"
                                  << "12a3" << 13 << F::IncorrectNumber << "";
    QTest::newRow("blank") << "A"
                           << "12 3" << 13 << F::IncorrectNumber << "";
    QTest::newRow("hyphen") << "A"
                            << "12-3" << 13 << F::IncorrectNumber << "";
    QTest::newRow("star and hash") << "CRED"
                                   << "*104#" << 13 << F::None << "";
    QTest::newRow("bad char beats length")
        << "A"
        << "1234567890123456789x" << 13 << F::IncorrectNumber << "";
    QTest::newRow("number before name") << "admin"
                                        << "12x" << 13 << F::IncorrectNumber << "";
    QTest::newRow("too long number before name")
        << "admin"
        << "12345678901234" << 13 << F::NumberTooLong << "";
    QTest::newRow("lower-case name") << "admin1"
                                     << "" << 13 << F::IncorrectName << "";
    QTest::newRow("blank in name") << "ADMIN 1"
                                   << "1" << 13 << F::IncorrectName << "";
    QTest::newRow("8-char name") << "ABCDEFGH"
                                 << "1" << 13 << F::None << "";
    QTest::newRow("9-char name") << "ABCDEFGHI"
                                 << "1" << 13 << F::TooLongName << "";
    QTest::newRow("bad char beats name length") << "ABCDEFGHi"
                                                << "" << 13 << F::IncorrectName << "";
    QTest::newRow("non-ASCII letter") << "ÄB"
                                      << "1" << 13 << F::IncorrectName << "";
    QTest::newRow("blank row") << ""
                               << "" << 13 << F::None << "";
    QTest::newRow("custom limit") << "A"
                                  << "123456" << 5 << F::NumberTooLong << "";
    QTest::newRow("RTIME 5") << "RTIME"
                             << "5" << 13 << F::None << "05";
    QTest::newRow("RTIME 120") << "RTIME"
                               << "120" << 13 << F::None << "20";
    QTest::newRow("RTIME 007") << "RTIME"
                               << "007" << 13 << F::None << "07";
    QTest::newRow("RTIME 12") << "RTIME"
                              << "12" << 13 << F::None << "12";
    QTest::newRow("RTIME empty") << "RTIME"
                                 << "" << 13 << F::None << "";
    QTest::newRow("RTIME 5S") << "RTIME"
                              << "5S" << 13 << F::IncorrectNumber << "5S";
    QTest::newRow("RTIME +5") << "RTIME"
                              << "+5" << 13 << F::IncorrectNumber << "+5";
    QTest::newRow("RTIME *") << "RTIME"
                             << "*" << 13 << F::IncorrectNumber << "*";
    QTest::newRow("rtime is ordinary") << "RTIME2"
                                       << "+5" << 13 << F::None << "+5";
    QTest::newRow("RTIME under a tiny limit") << "RTIME"
                                              << "5" << 1 << F::NumberTooLong << "05";
  }

  void check() {
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(int, limit);
    QFETCH(EntryFaultKind, fault);
    QFETCH(QString, numberAfter);
    QString n = number;
    QCOMPARE(CheckEntry(name, n, limit), fault);
    QCOMPARE(n, numberAfter.isEmpty() ? number : numberAfter);
  }

  // The check of a whole book before it is written: which rows, and why.
  void bookFaults_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("faults");  // "row: text"
    QTest::newRow("clean, placeholders pass")
        << QStringList{"ADMIN1=+420111", "ADMIN2=", "RTIME=05", "CRED=*101#", "OUT=+420999", ""}
        << QStringList{};
    QTest::newRow("entry check, number before name")
        << QStringList{"ADMIN1=12ab", "NOVAK=+420111", "toolongnamex=1", "ABCDEFGHI=1"}
        << QStringList{"1: Incorrect number", "3: Incorrect name", "4: Too long name"};
    QTest::newRow("number without a name")
        << QStringList{"+420111", "=+420222", "="}
        << QStringList{"1: Number without name", "2: Number without name"};
    QTest::newRow("relay time cut short")
        << QStringList{"A=1", "RTIME=120"} << QStringList{"2: Relay time is two digits"};
    QTest::newRow("relay time that keeps its value") << QStringList{"RTIME=007"} << QStringList{};
    QTest::newRow("look-alikes of reserved names")
        << QStringList{"ALARM9=", "ADMIN0=+420111", "ADMIN10=1", "ALARM8=", "ADMINX=1"}
        << QStringList{"1: No such reserved name (1 to 8)", "2: No such reserved name (1 to 8)",
                       "3: No such reserved name (1 to 8)"};
    QTest::newRow("one entry each for RTIME and OUT")
        << QStringList{"RTIME=05", "OUT=+420111", "RTIME=", "RTIME=07", "OUT=+420222"}
        << QStringList{"4: Only one row can hold this entry",
                       "5: Only one row can hold this entry"};
  }

  void bookFaults() {
    QFETCH(QStringList, rows);
    QFETCH(QStringList, faults);
    QStringList found;
    for (const RowFault& f : PhoneBookFaults(rows, MessageTexts(), 13)) {
      QCOMPARE(f.line, rows[f.row - 1]);
      found << QString("%1: %2").arg(f.row).arg(f.text);
    }
    QCOMPARE(found, faults);
  }

  // An addition leaves out what the SIM holds: same name and number, every copy.
  void rowsNotHeld() {
    int left = -1;
    const QStringList rows{"A=+420111", "B=+420222", "A=+420111", "A=+420333", "C=+420444"};
    QCOMPARE(RowsNotHeld(rows, {"A=+420111", "C=+420445", "B=+420222"}, &left),
             QStringList({"A=+420333", "C=+420444"}));
    QCOMPARE(left, 3);
    QCOMPARE(FaultLines({{2, "X=1a", "Incorrect number"}}, MessageTexts()),
             QStringList{"row 2: X=1a: Incorrect number"});
  }

  void upperCaseAtoZOnly() {
    QCOMPARE(UpperCaseAtoZ("adm1n-ä"), QString("ADM1N-ä"));
    QCOMPARE(UpperCaseAtoZ(""), QString());
  }

  void nameOrder() {
    QVERIFY(NameLess(u"", u"A"));
    QVERIFY(NameLess(u"ADMIN10", u"ADMIN2"));
    QVERIFY(NameLess(u"9", u"A"));
    QVERIFY(NameLess(u"Z", u"a"));
    QVERIFY(!NameLess(u"A", u"A"));
    QVERIFY(NameLess(u"~", u"\u00C4"));  // by character code, beyond ASCII too
    QCOMPARE(LineName("A=B=C"), QStringView(u"A"));
    QVERIFY(LineName("nameless").isEmpty());
    QCOMPARE(LineValue("A=B=C"), QStringView(u"B=C"));
    QCOMPARE(LineValue("nameless"), QStringView(u"nameless"));
  }

  void stableSort() {
    const QStringList lines = {"ALARM1=1", "ADMIN2=2", "ADMIN1=3", "=",
                               "B=x",      "B=y",      "noeq",     "ADMIN10=4"};
    QCOMPARE(StableSortByName(lines), QStringList({"=", "noeq", "ADMIN1=3", "ADMIN10=4", "ADMIN2=2",
                                                   "ALARM1=1", "B=x", "B=y"}));

    // Against a plain insertion sort, which is stable by construction.
    std::mt19937 rng(7);
    QStringList big;
    for (int i = 0; i < 3000; ++i) big << QString("N%1=%2").arg(int(rng() % 200)).arg(i);
    QStringList reference;
    for (const QString& line : big) {
      auto at = std::upper_bound(
          reference.begin(), reference.end(), line,
          [](const QString& a, const QString& b) { return NameLess(LineName(a), LineName(b)); });
      reference.insert(at, line);
    }
    QCOMPARE(StableSortByName(big), reference);
  }
};

QTEST_GUILESS_MAIN(TestEntrySyntax)
#include "test_entrysyntax.moc"
