// SPDX-License-Identifier: GPL-3.0-or-later
#include "sms/SmsFilters.h"

#include <QLatin1StringView>
#include <algorithm>

namespace {

const QLatin1StringView kPhoneChars("0123456789+");
const QLatin1StringView kTextChars(
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ./-+,[]() !?><%0123456789");

// The text before its first character that is not in allowed.
QString cutAtForeign(const QString& text, QLatin1StringView allowed) {
  qsizetype i = 0;
  while (i < text.size() && allowed.contains(text[i])) ++i;
  return text.left(i);
}

}  // namespace

QString FilterPhone(const QString& text, int maxLength) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first].unicode() <= 32) ++first;
  while (last > first && text[last - 1].unicode() <= 32) --last;
  const QString trimmed = text.mid(first, last - first);
  if (trimmed.size() == 1) return QStringLiteral("+");
  if (trimmed.isEmpty()) return QString();
  QString number = cutAtForeign(trimmed, kPhoneChars);
  if (number.size() > maxLength) number.truncate(std::max(maxLength, 0));
  return number;
}

QString FilterText(const QString& text) {
  QString result = cutAtForeign(text, kTextChars);
  if (result.size() > kMaxSmsText) result.truncate(kMaxSmsText);
  return result;
}
