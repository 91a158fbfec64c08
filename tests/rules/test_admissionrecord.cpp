// SPDX-License-Identifier: GPL-3.0-or-later
// Admission records: the record text, the key's form and reading it back, the daily file
// name, the comma-separated bytes and writing them.
#include <QtTest>

#include "admissions/AdmissionRecord.h"
#include "platform/Errors.h"

namespace {

const QDateTime kCall(QDate(2024, 2, 1), QTime(8, 5, 9));

QString errorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const Exception& e) {
    return e.Message;
  }
  return QStringLiteral("(no error)");
}

}  // namespace

class TestAdmissionRecord : public QObject {
  Q_OBJECT

 private slots:
  void recordText() {
    const AdmissionClockForm dotted{QLocale::c(), QStringLiteral("d.M.yyyy"),
                                    QStringLiteral("HH:mm:ss")};
    QCOMPARE(AdmissionRecord(AdmissionKey(kCall, dotted), "ADMIN1", "123", QStringLiteral("A")),
             QStringLiteral("1.2.2024 08:05:09=ADMIN1  (phone: 123)  /A"));
  }

  void keyForm_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("key");
    QTest::newRow("C") << QLocale::c() << QStringLiteral("1 Feb 2024 08:05:09");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates)
                           << QStringLiteral("2/1/24 8:05:09 AM");
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany)
                           << QStringLiteral("01.02.24 08:05:09");
    // The time zone goes with its brackets and its comma.
    QTest::newRow("es_ES") << QLocale(QLocale::Spanish, QLocale::Spain)
                           << QStringLiteral("1/2/24 8:05:09");
    QTest::newRow("be_BY") << QLocale(QLocale::Belarusian, QLocale::Belarus)
                           << QStringLiteral("1.02.24 08:05:09");
  }
  void keyForm() {
    QFETCH(QLocale, locale);
    QFETCH(QString, key);
    QCOMPARE(AdmissionKey(kCall, ClockFormOf(locale)), key);
  }

  // Every locale reads back the keys it wrote, two-digit years around a turn of the century
  // and 29 February 2000 included.
  void keysReadBackInEveryLocale_data() {
    QTest::addColumn<QLocale>("locale");
    for (const QLocale& l :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
      QTest::newRow(qPrintable(QStringLiteral("%1-%2-%3")
                                   .arg(QLocale::languageToCode(l.language()),
                                        QLocale::scriptToCode(l.script()),
                                        QLocale::territoryToCode(l.territory()))))
          << l;
  }
  void keysReadBackInEveryLocale() {
    QFETCH(QLocale, locale);
    const AdmissionClockForm form = ClockFormOf(locale);
    const QDateTime moments[][2] = {
        // written at, read on
        {kCall, kCall},
        {QDateTime(QDate(2024, 2, 29), QTime(21, 5, 9)), QDateTime(QDate(2024, 2, 29), {})},
        {QDateTime(QDate(2000, 2, 29), QTime(0, 0, 0)), QDateTime(QDate(2000, 3, 1), {})},
        {QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)), QDateTime(QDate(2000, 1, 1), {})},
        {QDateTime(QDate(2099, 12, 31), QTime(12, 0, 0)), QDateTime(QDate(2100, 1, 1), {})},
    };
    for (const auto& m : moments) {
      const QString key = AdmissionKey(m[0], form);
      QString read;
      try {
        read = AdmissionKeyDate(key, form, m[1].date());
      } catch (const Exception& e) {
        QFAIL(qPrintable(e.Message + QStringLiteral(" (form: ") + form.date + ' ' + form.time));
      }
      QCOMPARE(read, AdmissionDate(m[0].date(), form));
      QCOMPARE(AdmissionKeyTime(key, form, m[1].date()), m[0]);
    }
  }

  void badKeys_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("key");
    const QLocale de(QLocale::German, QLocale::Germany);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("a word") << de << QStringLiteral("yesterday");
    QTest::newRow("no time") << de << QStringLiteral("01.02.24");
    QTest::newRow("no such day") << de << QStringLiteral("31.02.24 08:05:09");
    QTest::newRow("no such hour") << de << QStringLiteral("01.02.24 24:05:09");
    QTest::newRow("text after it") << de << QStringLiteral("01.02.24 08:05:09 x");
    QTest::newRow("13 PM") << us << QStringLiteral("2/1/24 13:05:09 PM");
    QTest::newRow("no AM or PM") << us << QStringLiteral("2/1/24 8:05:09");
  }
  void badKeys() {
    QFETCH(QLocale, locale);
    QFETCH(QString, key);
    QCOMPARE(errorOf([&] { AdmissionKeyDate(key, ClockFormOf(locale), kCall.date()); }),
             QStringLiteral("'%1' is not a valid date and time").arg(key));
    QVERIFY(!AdmissionKeyTime(key, ClockFormOf(locale), kCall.date()).isValid());
  }

  // What a user may have typed over a key still reads when it means the same.
  void editedKeys() {
    const AdmissionClockForm us = ClockFormOf(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char* key : {"2/1/24 8:05:09 am", "02/01/24  08:05:09 PM ", "2/1/24 12:00:00 AM"})
      QCOMPARE(AdmissionKeyDate(QLatin1String(key), us, kCall.date()), QStringLiteral("2/1/24"));
  }

  void dailyFileName() {
    const QDate yesterday(2024, 1, 31);
    const AdmissionClockForm us = ClockFormOf(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(DailyFileName(QStringLiteral("admiss"), yesterday, us),
             QStringLiteral("admiss1-31-24.csv"));
    // Only the date is made safe: the first part may name a folder.
    QCOMPARE(DailyFileName(QStringLiteral("logs/a:"), yesterday, us),
             QStringLiteral("logs/a:1-31-24.csv"));
    QCOMPARE(FileNameSafe(QStringLiteral("a\\b:c*d?e\"f<g>h|i\tj.k l")),
             QStringLiteral("a-b-c-d-e-f-g-h-i-j.k l"));
  }

  void csvLines() {
    QCOMPARE(AdmissionCsv({{QStringLiteral("1.2.24 8:05:09"), QStringLiteral("A;B  /\u00E9")},
                           {QString(), QString()}}),
             QStringList({QStringLiteral("1.2.24 8:05:09;A;B  /\u00E9"), QStringLiteral(";")}));
  }
};

QTEST_GUILESS_MAIN(TestAdmissionRecord)
#include "test_admissionrecord.moc"
