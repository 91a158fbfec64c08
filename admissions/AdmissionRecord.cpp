// SPDX-License-Identifier: GPL-3.0-or-later
#include "admissions/AdmissionRecord.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Errors.h"

namespace {

// Reads a key back in the form it was written in. Qt's own parser cannot read the keys of
// some locales (AM/PM words it wrote itself, digits outside the Basic Multilingual Plane) and
// puts a two-digit year in 1900-1999, where 29 February 2000 does not exist.
class KeyReader {
 public:
  KeyReader(const QString& text, const QLocale& locale) : text_(text), locale_(locale) {
    const QList<uint> zero = locale.zeroDigit().toUcs4();
    zero_ = zero.isEmpty() ? '0' : zero.first();
  }

  // The date, or an invalid one when the text does not fit the form; its time of day to
  // `time`.
  QDate read(const QString& form, const QDate& near, QTime* time = nullptr) {
    const bool twelveHour = hasAmPm(form);
    for (qsizetype i = 0; i < form.size();) {
      const QChar c = form[i];
      qsizetype n = 1;
      while (i + n < form.size() && form[i + n] == c) ++n;
      bool ok = true;
      if (c == QLatin1Char('\'')) {
        n = quoted(form, i, &ok);
      } else if (c == QLatin1Char('d')) {
        ok = n <= 2 ? number(1, 2, &day_) : name(dayNames(), nullptr);
      } else if (c == QLatin1Char('M')) {
        ok = n <= 2 ? number(1, 2, &month_) : name(monthNames(), &month_);
        if (n > 2) month_ = month_ % 12 + 1;
      } else if (c == QLatin1Char('y')) {
        twoDigitYear_ = n < 4;
        ok = number(1, twoDigitYear_ ? 2 : 4, &year_);
      } else if (c == QLatin1Char('h') || c == QLatin1Char('H')) {
        ok = number(1, 2, &hour_);
        twelveHour_ = twelveHour && c == QLatin1Char('h');
      } else if (c == QLatin1Char('m')) {
        ok = number(1, 2, &minute_);
      } else if (c == QLatin1Char('s')) {
        ok = number(1, 2, &second_);
      } else if (c == QLatin1Char('z')) {
        int ms = 0;
        ok = number(1, 3, &ms);
      } else if (c.toLower() == QLatin1Char('a')) {
        n = i + 1 < form.size() && form[i + 1].toLower() == QLatin1Char('p') ? 2 : 1;
        int which = -1;
        ok = name({locale_.amText(), locale_.pmText()}, &which);
        pm_ = which == 1;
      } else if (c.isSpace()) {
        while (pos_ < text_.size() && text_[pos_].isSpace()) ++pos_;
      } else {
        for (qsizetype k = 0; k < n && ok; ++k) ok = literal(c);
      }
      if (!ok) return QDate();
      i += n;
    }
    while (pos_ < text_.size() && text_[pos_].isSpace()) ++pos_;
    if (pos_ != text_.size() || year_ < 0 || month_ < 1 || day_ < 1) return QDate();
    int hour = hour_;
    if (twelveHour_) {
      if (hour > 12) return QDate();
      hour = hour % 12 + (pm_ ? 12 : 0);
    }
    if (!QTime(hour, minute_, second_).isValid()) return QDate();
    if (time) *time = QTime(hour, minute_, second_);
    return twoDigitYear_ ? nearestCentury(near) : QDate(year_, month_, day_);
  }

 private:
  static bool hasAmPm(const QString& form) {
    bool inQuotes = false;
    for (const QChar c : form) {
      if (c == QLatin1Char('\'')) inQuotes = !inQuotes;
      if (!inQuotes && c.toLower() == QLatin1Char('a')) return true;
    }
    return false;
  }

  // A quoted literal from form[i]; "''" is a quote. Returns how much of the form it takes.
  qsizetype quoted(const QString& form, qsizetype i, bool* ok) {
    qsizetype k = i + 1;
    if (k < form.size() && form[k] == QLatin1Char('\'')) {
      *ok = literal(form[k]);
      return 2;
    }
    for (; k < form.size() && *ok; ++k) {
      if (form[k] == QLatin1Char('\'')) {
        if (k + 1 < form.size() && form[k + 1] == QLatin1Char('\'')) {
          *ok = literal(form[++k]);
          continue;
        }
        break;
      }
      *ok = form[k].isSpace() ? skipSpace() : literal(form[k]);
    }
    return k + 1 - i;
  }

  bool skipSpace() {
    while (pos_ < text_.size() && text_[pos_].isSpace()) ++pos_;
    return true;
  }

  bool literal(QChar c) {
    if (pos_ >= text_.size() || text_[pos_].toCaseFolded() != c.toCaseFolded()) return false;
    ++pos_;
    return true;
  }

  // A digit of the locale's own or 0-9; its value, or -1.
  int digit() {
    if (pos_ >= text_.size()) return -1;
    const QChar c = text_[pos_];
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
      ++pos_;
      return c.unicode() - '0';
    }
    uint code = c.unicode();
    qsizetype n = 1;
    if (c.isHighSurrogate() && pos_ + 1 < text_.size() && text_[pos_ + 1].isLowSurrogate()) {
      code = QChar::surrogateToUcs4(c, text_[pos_ + 1]);
      n = 2;
    }
    if (code < zero_ || code > zero_ + 9) return -1;
    pos_ += n;
    return int(code - zero_);
  }

  bool number(int minDigits, int maxDigits, int* out) {
    int value = 0, count = 0;
    for (int d; count < maxDigits && (d = digit()) >= 0; ++count) value = value * 10 + d;
    if (count < minDigits) return false;
    *out = value;
    return true;
  }

  // The longest of the names at the reading position, without regard to letter case.
  bool name(const QStringList& names, int* index) {
    int best = -1;
    for (int k = 0; k < names.size(); ++k) {
      const QString& n = names[k];
      if (n.isEmpty() || (best >= 0 && n.size() <= names[best].size())) continue;
      if (QStringView(text_).mid(pos_, n.size()).compare(n, Qt::CaseInsensitive) == 0) best = k;
    }
    if (best < 0) return false;
    pos_ += names[best].size();
    if (index) *index = best;
    return true;
  }

  // Months 1-12 in four spellings: index k is month k % 12 + 1.
  QStringList monthNames() const {
    QStringList names;
    for (const QLocale::FormatType f : {QLocale::LongFormat, QLocale::ShortFormat}) {
      for (int m = 1; m <= 12; ++m) names << locale_.monthName(m, f);
      for (int m = 1; m <= 12; ++m) names << locale_.standaloneMonthName(m, f);
    }
    return names;
  }

  QStringList dayNames() const {
    QStringList names;
    for (const QLocale::FormatType f : {QLocale::LongFormat, QLocale::ShortFormat})
      for (int d = 1; d <= 7; ++d)
        names << locale_.dayName(d, f) << locale_.standaloneDayName(d, f);
    return names;
  }

  QDate nearestCentury(const QDate& near) const {
    const int base = near.year() - near.year() % 100 + year_;
    QList<int> years{base, base - 100, base + 100};
    std::stable_sort(years.begin(), years.end(), [&near](int a, int b) {
      return std::abs(a - near.year()) < std::abs(b - near.year());
    });
    for (const int y : years)
      if (QDate::isValid(y, month_, day_)) return QDate(y, month_, day_);
    return QDate();
  }

  const QString& text_;
  const QLocale& locale_;
  uint zero_;
  qsizetype pos_ = 0;
  int year_ = -1, month_ = -1, day_ = -1, hour_ = 0, minute_ = 0, second_ = 0;
  bool twoDigitYear_ = false, twelveHour_ = false, pm_ = false;
};

}  // namespace

QString WithoutTimeZone(const QString& timeForm) {
  QString out;
  bool quoted = false;
  for (const QChar c : timeForm) {
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (!quoted && c == QLatin1Char('t')) continue;
    // "(t)" and "[t]" leave nothing between their brackets.
    if (!quoted && (c == QLatin1Char(')') || c == QLatin1Char(']'))) {
      const QString before = out.trimmed();
      if (before.endsWith(c == QLatin1Char(')') ? QLatin1Char('(') : QLatin1Char('['))) {
        out = before.chopped(1);
        continue;
      }
    }
    out += c;
  }
  // "h:mm:ss AP t" and "t HH:mm:ss" leave blanks at an end, "HH:mm:ss, t" a comma; inner
  // doubles close up.
  while (out.contains(QStringLiteral("  "))) out.replace(QStringLiteral("  "), QStringLiteral(" "));
  out = out.trimmed();
  while (out.endsWith(QLatin1Char(','))) out = out.chopped(1).trimmed();
  return out;
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

QString AdmissionKeyDate(const QString& key, const AdmissionClockForm& form, const QDate& near) {
  const QDate date =
      KeyReader(key, form.locale).read(form.date + QLatin1Char(' ') + form.time, near);
  if (!date.isValid()) throw EConvertError(ErrorTexts().NotADate.arg(key));
  return AdmissionDate(date, form);
}

QDateTime AdmissionKeyTime(const QString& key, const AdmissionClockForm& form, const QDate& near) {
  QTime time;
  const QDate date =
      KeyReader(key, form.locale).read(form.date + QLatin1Char(' ') + form.time, near, &time);
  return date.isValid() ? QDateTime(date, time) : QDateTime();
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

QStringList AdmissionCsv(const QList<AdmissionRow>& rows) {
  QStringList lines;
  for (const AdmissionRow& row : rows) lines << row.first + QLatin1Char(';') + row.second;
  return lines;
}

QByteArray AdmissionFileBytes(const QString& fileName, const QList<AdmissionRow>& rows,
                              const FileCharset& charset) {
  try {
    return charset.EncodeLines(AdmissionCsv(rows));
  } catch (const EUnwritableText& e) {
    throw EFileIOError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, e.Message));
  }
}
