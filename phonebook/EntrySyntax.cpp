// SPDX-License-Identifier: GPL-3.0-or-later
#include "phonebook/EntrySyntax.h"

namespace {

bool allowed(QChar c, const char* chars) {
  if (c.unicode() > 0x7F) return false;
  for (const char* p = chars; *p; ++p)
    if (c.unicode() == uchar(*p)) return true;
  return false;
}

}  // namespace

bool IsRtimeName(const QString& name) { return name == QLatin1String("RTIME"); }

EntryFaultKind NumberCharsFault(const QString& name, const QString& number) {
  const char* chars = IsRtimeName(name) ? kRtimeChars : kNumberChars;
  for (qsizetype i = number.size() - 1; i >= 0; --i)
    if (!allowed(number[i], chars)) return EntryFaultKind::IncorrectNumber;
  return EntryFaultKind::None;
}

bool RtimeNeedsRewrite(const QString& number) { return number.size() == 1 || number.size() > 2; }

QString RtimeRewrite(const QString& number) {
  if (number.size() == 1) return QLatin1Char('0') + number;
  if (number.size() > 2) return number.right(2);
  return number;
}

EntryFaultKind NumberLengthFault(const QString& number, int maxLength) {
  return number.size() > maxLength ? EntryFaultKind::NumberTooLong : EntryFaultKind::None;
}

EntryFaultKind NameFault(const QString& name) {
  for (qsizetype i = name.size() - 1; i >= 0; --i)
    if (!allowed(name[i], kNameChars)) return EntryFaultKind::IncorrectName;
  if (name.size() > kMaxNameLength) return EntryFaultKind::TooLongName;
  return EntryFaultKind::None;
}

EntryFaultKind CheckEntry(const QString& name, QString& number, int maxNumberLength) {
  if (!number.isEmpty()) {
    if (NumberCharsFault(name, number) != EntryFaultKind::None)
      return EntryFaultKind::IncorrectNumber;
    if (IsRtimeName(name) && RtimeNeedsRewrite(number)) number = RtimeRewrite(number);
    if (NumberLengthFault(number, maxNumberLength) != EntryFaultKind::None)
      return EntryFaultKind::NumberTooLong;
  }
  if (!name.isEmpty()) return NameFault(name);
  return EntryFaultKind::None;
}
