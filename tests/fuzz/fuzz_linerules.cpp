// SPDX-License-Identifier: GPL-3.0-or-later
// The unit's bytes as the parser cuts them into lines, recognises them and takes their fields.
#include <algorithm>

#include "fuzz/FuzzTarget.h"
#include "link/LineRules.h"
#include "platform/Errors.h"

namespace {

struct Cut {
  QList<QByteArray> events;  // each line ended, and "> " for each prompt
  QByteArray rest;           // the line not yet ended
};

// The markers in the order they are tried, searched for plainly.
LineRule plainRule(const QByteArray& line, bool idle, bool smsText) {
  if (line == "OK") return LineRule::Ok;
  const std::pair<const char*, LineRule> markers[] = {{"+CSCA", LineRule::Centre},
                                                      {"+CMGW", LineRule::SmsWritten},
                                                      {"+CSQ", LineRule::Signal},
                                                      {"+COPS", LineRule::Operator},
                                                      {"+CPBR: (1-", LineRule::PhoneBookSize},
                                                      {"+CMGL", LineRule::SmsListHeader},
                                                      {"+CSSU", LineRule::RelayB},
                                                      {"+CLCC", LineRule::CallReport}};
  for (const auto& [marker, rule] : markers)
    if (line.contains(marker)) return rule;
  if (line.contains("+CPBR") && !idle) return LineRule::PhoneBookEntry;
  if (smsText) return LineRule::SmsText;
  if (line.contains("ERROR")) return LineRule::Error;
  return LineRule::Other;
}

void checkInt(const QByteArray& text) {
  qint32 value = 0;
  const bool ok = TryStrToInt(text, &value);
  const qsizetype digits = text.startsWith('+') || text.startsWith('-') ? 1 : 0;
  const bool signedDigits =
      digits < text.size() &&
      std::all_of(text.begin() + digits, text.end(), [](char c) { return c >= '0' && c <= '9'; });
  bool fits = false;
  const qint64 wide = text.toLongLong(&fits);
  const bool expected = signedDigits && fits && wide >= std::numeric_limits<qint32>::min() &&
                        wide <= std::numeric_limits<qint32>::max();
  FUZZ_CHECK(ok == expected, Shown(text));
  if (ok) FUZZ_CHECK(value == wide, Shown(text));
  QByteArray rx = "rest of the line";
  try {
    const qint32 v = ReadIntField({text}, rx, 1, kMaxPhoneBookSize);
    FUZZ_CHECK(ok && v == value && v >= 1 && v <= kMaxPhoneBookSize, Shown(text));
  } catch (const EConvertError&) {
    FUZZ_CHECK(rx.isEmpty(), Shown(text));
    FUZZ_CHECK(!ok || value < 1 || value > kMaxPhoneBookSize, Shown(text));
  }
}

}  // namespace

ZUL_FUZZ_TARGET(linerules) {
  // Byte by byte, and in pieces of every size from 1 to 7 as a batch brings them: the same.
  Cut one;
  for (const char c : data) {
    const ByteEffect effect = TakeByte(one.rest, uchar(c));
    if (effect == ByteEffect::Prompt) one.events << "> ";
    if (effect == ByteEffect::LineEnd) one.events << std::exchange(one.rest, QByteArray());
  }
  for (qsizetype piece = 1; piece <= 7; piece += 3) {
    Cut many;
    for (qsizetype at = 0; at < data.size();) {
      const QByteArrayView bytes(data.constData() + at, std::min(piece, data.size() - at));
      for (qsizetype used = 0; used < bytes.size();) {
        ByteEffect effect;
        const qsizetype n = TakeBytes(many.rest, bytes.sliced(used), &effect);
        FUZZ_CHECK(n > 0 && n <= bytes.size() - used, QString::number(n));
        used += n;
        if (effect == ByteEffect::Prompt) many.events << "> ";
        if (effect == ByteEffect::LineEnd) many.events << std::exchange(many.rest, QByteArray());
      }
      at += bytes.size();
    }
    FUZZ_CHECK(many.events == one.events && many.rest == one.rest,
               QStringLiteral("in pieces of %1").arg(piece));
  }

  for (const QByteArray& line : one.events) {
    FUZZ_CHECK(line.size() <= kMaxLineLength, QString::number(line.size()));
    for (const char c : line) FUZZ_CHECK(uchar(c) >= 32, Shown(line));
    for (int flags = 0; flags < 4; ++flags) {
      const bool idle = flags & 1, smsText = flags & 2;
      FUZZ_CHECK(RecogniseLine(line, idle, smsText) == plainRule(line, idle, smsText), Shown(line));
    }
    for (const IntField& f : {SignalLevelField(line), PhoneBookSizeField(line), SmsSlotField(line),
                              PhoneBookIndexField(line), SmsWrittenSlotField(line)}) {
      FUZZ_CHECK(f.text == f.text.trimmed() && line.contains(f.text), Shown(line));
      checkInt(f.text);
    }
    FUZZ_CHECK(!CentreNumber(line).contains('"'), Shown(line));
    FUZZ_CHECK(OperatorText(line).size() <= 20 && line.contains(OperatorText(line)), Shown(line));
    for (const NameAndNumber& f : {PhoneBookEntryFields(line), CallReportFields(line)}) {
      FUZZ_CHECK(!f.name.contains('"') && !f.number.contains('"'), Shown(line));
      if (RowSendable(f.name, f.number)) {
        for (const char c : f.number)
          FUZZ_CHECK(QByteArray("0123456789+*#").contains(c), Shown(line));
      }
      const int reserved = ReservedNameIndex(f.name);
      if (reserved >= 0) FUZZ_CHECK(f.name == ReservedName(reserved), Shown(line));
    }
    FUZZ_CHECK(!SmsListNumber(line).contains('"'), Shown(line));
    if (NoSuchSlot(line))
      FUZZ_CHECK(line.contains("+CMS ERROR:") && line.contains("321"), Shown(line));
  }
}
