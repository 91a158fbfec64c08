#include "admissions/AdmissionRecord.h"

#include "platform/Errors.h"

QString WithoutTimeZone(const QString& timeForm) {
  QString out;
  bool quoted = false;
  for (const QChar c : timeForm) {
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (!quoted && c == QLatin1Char('t')) continue;
    out += c;
  }
  // "h:mm:ss AP t" and "t HH:mm:ss" leave blanks at an end; inner doubles close up.
  while (out.contains(QStringLiteral("  "))) out.replace(QStringLiteral("  "), QStringLiteral(" "));
  return out.trimmed();
}

AdmissionClockForm ClockFormOf(const QLocale& locale) {
  return {locale, locale.dateFormat(QLocale::ShortFormat),
          WithoutTimeZone(locale.timeFormat(QLocale::LongFormat))};
}

AdmissionClockForm SystemClockForm() { return ClockFormOf(QLocale::system()); }

QString AdmissionDate(const QDate& date, const AdmissionClockForm& form) {
  return form.locale.toString(date, form.date);
}

QString AdmissionKey(const QDateTime& at, const AdmissionClockForm& form) {
  return form.locale.toString(at, form.date + QLatin1Char(' ') + form.time);
}

QString AdmissionRecord(const QString& key, const QByteArray& name, const QByteArray& number,
                        const QString& relayName) {
  return key + QLatin1Char('=') + QString::fromLatin1(name) + QStringLiteral("  (phone: ") +
         QString::fromLatin1(number) + QStringLiteral(")  /") + relayName;
}

QString AdmissionKeyDate(const QString& key, const AdmissionClockForm& form) {
  // A two-digit year reads back in another century; the date text is the same all the same.
  const QDateTime at = form.locale.toDateTime(key, form.date + QLatin1Char(' ') + form.time);
  if (!at.isValid())
    throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(key));
  return AdmissionDate(at.date(), form);
}

QString FileNameSafe(const QString& text) {
  static const QString unsafe = QStringLiteral("/\\:*?\"<>|");
  QString out = text;
  for (QChar& c : out)
    if (c.unicode() < 32 || unsafe.contains(c)) c = QLatin1Char('-');
  return out;
}

QString DailyFileName(const QString& saveFile, const QDate& day, const AdmissionClockForm& form) {
  return saveFile + FileNameSafe(AdmissionDate(day, form)) + QStringLiteral(".csv");
}

QByteArray AdmissionCsv(const QList<AdmissionRow>& rows) {
  QByteArray out;
  for (const AdmissionRow& row : rows) {
    out += row.first.toLatin1();
    out += ';';
    out += row.second.toLatin1();
    out += "\r\n";
  }
  return out;
}
