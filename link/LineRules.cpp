// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/LineRules.h"

#include <QVarLengthArray>
#include <algorithm>
#include <limits>
#include <string_view>

#include "platform/Errors.h"

ByteEffect TakeByte(QByteArray& rxLine, unsigned char byte) {
  if (byte == 13) return ByteEffect::LineEnd;
  if (byte < 32) return ByteEffect::Ignored;
  if (rxLine.size() >= kMaxLineLength) return ByteEffect::Ignored;
  rxLine.append(char(byte));
  if (rxLine.size() == 2 && rxLine == "> ") return ByteEffect::Prompt;
  return ByteEffect::Appended;
}

namespace {

// Where a line has its '+' signs. Every marker but "ERROR" starts with one and the unit's lines
// hold few, so looking at each of them is far cheaper than searching the line for each marker.
class PlusSigns {
 public:
  explicit PlusSigns(const QByteArray& line) : line_(line) {
    for (qsizetype at = line_.indexOf('+'); at >= 0; at = line_.indexOf('+', at + 1))
      at_.append(at);
  }
  bool Contain(QByteArrayView marker) const {
    for (const qsizetype at : at_)
      if (line_.sliced(at).startsWith(marker)) return true;
    return false;
  }

 private:
  QByteArrayView line_;
  QVarLengthArray<qsizetype, 8> at_;
};

}  // namespace

qsizetype TakeBytes(QByteArray& rxLine, QByteArrayView bytes, ByteEffect* effect) {
  const char* p = bytes.data();
  const qsizetype n = bytes.size();
  *effect = ByteEffect::Ignored;
  qsizetype i = 0;
  while (i < n) {
    const auto byte = static_cast<unsigned char>(p[i]);
    // One by one while the line is short (only the second byte can make the prompt) and for
    // control bytes; a run of other bytes goes in at once, up to the length limit.
    if (byte < 32 || rxLine.size() < 2) {
      *effect = TakeByte(rxLine, byte);
      ++i;
      if (*effect == ByteEffect::LineEnd || *effect == ByteEffect::Prompt) break;
      continue;
    }
    qsizetype end = i + 1;
    while (end < n && static_cast<unsigned char>(p[end]) >= 32) ++end;
    const qsizetype room = kMaxLineLength - rxLine.size();
    if (room > 0) rxLine.append(p + i, std::min(end - i, room));
    *effect = end - i <= room ? ByteEffect::Appended : ByteEffect::Ignored;
    i = end;
  }
  return i;
}

LineRule RecogniseLine(const QByteArray& line, bool linkIdle, bool smsTextExpected) {
  if (line == "OK") return LineRule::Ok;
  const PlusSigns plus(line);
  if (plus.Contain("+CSCA")) return LineRule::Centre;
  if (plus.Contain("+CMGW")) return LineRule::SmsWritten;
  if (plus.Contain("+CSQ")) return LineRule::Signal;
  if (plus.Contain("+COPS")) return LineRule::Operator;
  if (plus.Contain("+CPBR: (1-")) return LineRule::PhoneBookSize;
  if (plus.Contain("+CMGL")) return LineRule::SmsListHeader;
  if (plus.Contain("+CSSU")) return LineRule::RelayB;
  if (plus.Contain("+CLCC")) return LineRule::CallReport;
  if (plus.Contain("+CPBR") && !linkIdle) return LineRule::PhoneBookEntry;
  if (smsTextExpected) return LineRule::SmsText;
  if (std::string_view(line.constData(), size_t(line.size())).find("ERROR") !=
      std::string_view::npos)
    return LineRule::Error;
  return LineRule::Other;
}

void CutThrough(QByteArray& text, char c) {
  const qsizetype at = text.indexOf(c);
  if (at >= 0) text.remove(0, at + 1);
}

QByteArray TextBefore(const QByteArray& text, char c) {
  const qsizetype at = text.indexOf(c);
  return at < 0 ? QByteArray() : text.left(at);
}

namespace {
EConvertError ConvertError(const QByteArray& text) {
  return EConvertError(ErrorTexts().NotAnInteger.arg(QString::fromLatin1(text)));
}
}  // namespace

bool TryStrToInt(const QByteArray& text, qint32* value) {
  qsizetype i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return false;
  qint64 magnitude = 0;
  const qint64 limit = qint64(std::numeric_limits<qint32>::max()) + (negative ? 1 : 0);
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return false;
  }
  *value = qint32(negative ? -magnitude : magnitude);
  return true;
}

qint32 StrToInt(const QByteArray& text) {
  qint32 value = 0;
  if (!TryStrToInt(text, &value)) throw ConvertError(text);
  return value;
}

qint32 ReadIntField(const IntField& field, QByteArray& rxLine) {
  qint32 value = 0;
  if (!TryStrToInt(field.text, &value)) {
    rxLine.clear();
    throw ConvertError(field.text);
  }
  return value;
}

qint32 ReadIntField(const IntField& field, QByteArray& rxLine, qint32 lowest, qint32 highest) {
  const qint32 value = ReadIntField(field, rxLine);
  if (value < lowest || value > highest) {
    rxLine.clear();
    throw EConvertError(
        ErrorTexts().OutOfRange.arg(QString::fromLatin1(field.text)).arg(lowest).arg(highest));
  }
  return value;
}

IntField SignalLevelField(const QByteArray& line) {
  QByteArray rest = line;
  CutThrough(rest, ':');
  return {TextBefore(rest, ',').trimmed()};
}

IntField PhoneBookSizeField(const QByteArray& line) {
  QByteArray rest = line;
  CutThrough(rest, '-');
  return {TextBefore(rest, ')').trimmed()};
}

// The list header's slot and an entry's index stand where a report's level does: after the
// colon, before a comma.
IntField SmsSlotField(const QByteArray& line) { return SignalLevelField(line); }
IntField PhoneBookIndexField(const QByteArray& line) { return SignalLevelField(line); }

IntField SmsWrittenSlotField(const QByteArray& line) {
  QByteArray rest = line;
  CutThrough(rest, ':');
  return {rest.trimmed()};
}

QByteArray CentreNumber(const QByteArray& line) {
  QByteArray rest = line;
  CutThrough(rest, '"');
  return TextBefore(rest, '"');
}

QByteArray OperatorText(const QByteArray& line) {
  const qsizetype quote = line.indexOf('"');
  return line.mid(quote < 0 ? 0 : quote, 20);
}

namespace {

// The number in the first pair of double quotes, then the name in the pair after the next comma.
NameAndNumber QuotedNumberAndName(QByteArray rest) {
  NameAndNumber f;
  CutThrough(rest, '"');
  f.number = TextBefore(rest, '"');
  CutThrough(rest, ',');
  CutThrough(rest, '"');
  f.name = TextBefore(rest, '"');
  return f;
}

}  // namespace

NameAndNumber PhoneBookEntryFields(const QByteArray& line) {
  QByteArray rest = line;
  CutThrough(rest, ':');
  return QuotedNumberAndName(rest);
}

NameAndNumber CallReportFields(const QByteArray& line) { return QuotedNumberAndName(line); }

QByteArray SmsListNumber(const QByteArray& line) {
  QByteArray rest = line;
  CutThrough(rest, ':');
  CutThrough(rest, '"');
  CutThrough(rest, ',');
  CutThrough(rest, '"');
  return TextBefore(rest, '"');
}

quint32 SignalColour(qint32 level) {
  if (level >= 15 && level <= 21) return 0x00FFFF;
  if (level >= 22 && level <= 31) return 0x00FF00;
  return 0xFF0000;
}

namespace {
const char* const kReservedNames[kReservedNameCount] = {
    "ADMIN1", "ADMIN2", "ADMIN3", "ADMIN4", "ADMIN5", "ADMIN6", "ADMIN7",
    "ADMIN8", "ALARM1", "ALARM2", "ALARM3", "ALARM4", "ALARM5", "ALARM6",
    "ALARM7", "ALARM8", "OPER",   "RTIME",  "CRED"};
}  // namespace

int ReservedNameIndex(const QByteArray& name) {
  for (int i = 0; i < kReservedNameCount; ++i)
    if (name == kReservedNames[i]) return i;
  return -1;
}

const char* ReservedName(int index) { return kReservedNames[index]; }

bool RowSendable(const QByteArray& name, const QByteArray& number) {
  if (name.isEmpty() || number.isEmpty()) return false;
  for (char c : number)
    if (!(c >= '0' && c <= '9') && c != '+' && c != '*' && c != '#') return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || u < 32 || u == 127) return false;
  }
  return true;
}

bool NoSuchSlot(const QByteArray& line) {
  const qsizetype at = line.indexOf("+CMS ERROR:");
  return at >= 0 && line.mid(at + 11).trimmed() == "321";
}
