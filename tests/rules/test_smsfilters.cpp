// SPDX-License-Identifier: GPL-3.0-or-later
// What the SMS edits may hold: FilterPhone and FilterText.
#include <QtTest>

#include "sms/SmsFilters.h"

class TestSmsFilters : public QObject {
  Q_OBJECT

 private slots:
  void phone_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QString>("result");
    const QString thirteen = QStringLiteral("+420603123456");
    QTest::newRow("empty") << QString() << 13 << QString();
    QTest::newRow("blanks only") << QStringLiteral(" \t ") << 13 << QString();
    QTest::newRow("blank alone") << QStringLiteral(" ") << 13 << QString();
    QTest::newRow("one digit") << QStringLiteral("0") << 13 << QStringLiteral("+");
    QTest::newRow("one letter") << QStringLiteral("x") << 13 << QStringLiteral("+");
    QTest::newRow("plus") << QStringLiteral("+") << 13 << QStringLiteral("+");
    QTest::newRow("plus digit") << QStringLiteral("+4") << 13 << QStringLiteral("+4");
    QTest::newRow("plus anywhere") << QStringLiteral("12+3+") << 13 << QStringLiteral("12+3+");
    QTest::newRow("digit around blanks") << QStringLiteral("  7 ") << 13 << QStringLiteral("+");
    QTest::newRow("control bytes trimmed")
        << QStringLiteral("\x01\r123\x1a") << 13 << QStringLiteral("123");
    QTest::newRow("inner blank cuts")
        << QStringLiteral("  12345 678  ") << 13 << QStringLiteral("12345");
    // The cut leaves one character: the next run of the filter makes it "+".
    QTest::newRow("5 then letter") << QStringLiteral("5a") << 13 << QStringLiteral("5");
    QTest::newRow("foreign first") << QStringLiteral("a12") << 13 << QString();
    QTest::newRow("no star or hash") << QStringLiteral("*101#") << 13 << QString();
    QTest::newRow("quote cuts") << QStringLiteral("12\",,\"X") << 13 << QStringLiteral("12");
    QTest::newRow("13 fit") << thirteen << 13 << thirteen;
    QTest::newRow("14th cut") << thirteen + QLatin1Char('7') << 13 << thirteen;
    QTest::newRow("own limit") << QStringLiteral("123456") << 4 << QStringLiteral("1234");
    QTest::newRow("limit below two") << QStringLiteral("123") << 0 << QString();
    QTest::newRow("non-Latin-1") << QStringLiteral("12\u0159") << 13 << QStringLiteral("12");
  }
  void phone() {
    QFETCH(QString, text);
    QFETCH(int, maxLength);
    QFETCH(QString, result);
    QCOMPARE(FilterPhone(text, maxLength), result);
    // What the change handler relies on: one more run settles it.
    const QString again = FilterPhone(result, maxLength);
    QCOMPARE(FilterPhone(again, maxLength), again);
  }

  void text_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    const QString all = QStringLiteral(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ./-+,[]() !?><%0123456789");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("every allowed") << all << all;
    QTest::newRow("blanks kept") << QStringLiteral("  Door open ")
                                 << QStringLiteral("  Door open ");
    QTest::newRow("colon cuts") << QStringLiteral("Door open: 12") << QStringLiteral("Door open");
    QTest::newRow("foreign first") << QStringLiteral(";abc") << QString();
    for (const char c : QByteArray("\"';=*#_:&@\\^{}|~`$")) {
      QTest::addRow("cut at %c", c)
          << QStringLiteral("ab") + QLatin1Char(c) + QStringLiteral("c") << QStringLiteral("ab");
    }
    QTest::newRow("Ctrl-Z") << QStringLiteral(
                                   "ab\x1a"
                                   "cd")
                            << QStringLiteral("ab");
    QTest::newRow("Esc") << QStringLiteral(
                                "ab\x1b"
                                "cd")
                         << QStringLiteral("ab");
    QTest::newRow("carriage return") << QStringLiteral("ab\rcd") << QStringLiteral("ab");
    QTest::newRow("tab") << QStringLiteral("ab\tcd") << QStringLiteral("ab");
    QTest::newRow("accented") << QStringLiteral("Br\u00e1na") << QStringLiteral("Br");
    QTest::newRow("150 fit") << QString(150, QLatin1Char('x')) << QString(150, QLatin1Char('x'));
    QTest::newRow("151 cut") << QString(151, QLatin1Char('x')) << QString(150, QLatin1Char('x'));
    QTest::newRow("cut before limit")
        << QString(140, QLatin1Char('x')) + QStringLiteral(":") + QString(20, QLatin1Char('y'))
        << QString(140, QLatin1Char('x'));
  }
  void text() {
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(FilterText(text), result);
    QCOMPARE(FilterText(result), result);
  }
};

QTEST_GUILESS_MAIN(TestSmsFilters)
#include "test_smsfilters.moc"
