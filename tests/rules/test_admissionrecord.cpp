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

  // A key written in a locale's form reads back to the same date text.
  void keysReadBack_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("key");
    QTest::newRow("C") << QLocale::c() << QStringLiteral("1 Feb 2024 08:05:09");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates)
                           << QStringLiteral("2/1/24 8:05:09 AM");
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany)
                           << QStringLiteral("01.02.24 08:05:09");
    QTest::newRow("ko_KR") << QLocale(QLocale::Korean, QLocale::SouthKorea) << QString();
    QTest::newRow("zh_CN") << QLocale(QLocale::Chinese, QLocale::China) << QString();
  }
  void keysReadBack() {
    QFETCH(QLocale, locale);
    QFETCH(QString, key);
    const AdmissionClockForm form = ClockFormOf(locale);
    const QDateTime evening(QDate(2024, 2, 29), QTime(21, 5, 9));
    if (!key.isEmpty()) QCOMPARE(AdmissionKey(kCall, form), key);
    for (const QDateTime& at : {kCall, evening})
      QCOMPARE(AdmissionKeyDate(AdmissionKey(at, form), form), AdmissionDate(at.date(), form));
    QVERIFY(AdmissionKeyDate(AdmissionKey(kCall, form), form) !=
            AdmissionDate(kCall.date().addDays(1), form));
  }

  void badKeys() {
    const AdmissionClockForm form = ClockFormOf(QLocale(QLocale::German, QLocale::Germany));
    for (const QString& key : {QStringLiteral("01.02.24"), QStringLiteral("31.02.24 08:05:09")})
      QCOMPARE(errorOf([&] { AdmissionKeyDate(key, form); }),
               QStringLiteral("'%1' is not a valid date and time").arg(key));
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

  void csvBytes() {
    QCOMPARE(AdmissionCsv({{QStringLiteral("1.2.24 8:05:09"), QStringLiteral("A;B  /\u00E9")},
                           {QString(), QString()}}),
             QByteArray("1.2.24 8:05:09;A;B  /\xE9\r\n;\r\n"));
  }
};

QTEST_GUILESS_MAIN(TestAdmissionRecord)
#include "test_admissionrecord.moc"
