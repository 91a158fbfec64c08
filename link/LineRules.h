// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the unit's bytes become lines, which rule a line falls under, and the fields the
// handlers take out of the lines. Bytes in, bytes out; no widgets.
#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// ---- cutting bytes into lines ----

// A line longer than this keeps its first kMaxLineLength bytes; the rest up to the carriage
// return is dropped (a unit that never sends a carriage return must not eat the memory).
constexpr int kMaxLineLength = 2048;

enum class ByteEffect {
  Ignored,   // control byte, or a byte past the length limit
  Appended,  // added to the line
  Prompt,    // added, and the line is now exactly "> ": the unit waits for an SMS body
  LineEnd,   // carriage return: the line is complete
};

// Takes one received byte into rxLine.
ByteEffect TakeByte(QByteArray& rxLine, unsigned char byte);
// Takes bytes as TakeByte would, one after the other, and stops after the first that ends the
// line or makes the prompt. Returns how many it took; *effect is what the last of them did.
qsizetype TakeBytes(QByteArray& rxLine, QByteArrayView bytes, ByteEffect* effect);

// ---- recognising a line ----

// In the order they are tried; the first that fits decides.
enum class LineRule {
  Ok = 1,          // exactly "OK"
  Centre,          // "+CSCA"
  SmsWritten,      // "+CMGW"
  Signal,          // "+CSQ"
  Operator,        // "+COPS"
  PhoneBookSize,   // "+CPBR: (1-"
  SmsListHeader,   // "+CMGL"
  RelayB,          // "+CSSU"
  CallReport,      // "+CLCC"
  PhoneBookEntry,  // "+CPBR" while the link is not idle
  SmsText,         // any line while an SMS text is expected
  Error,           // "ERROR"
  Other,
};

LineRule RecogniseLine(const QByteArray& line, bool linkIdle, bool smsTextExpected);

// ---- cutting a line up ----

// Removes everything up to and including the first c; nothing when there is no c.
void CutThrough(QByteArray& text, char c);
// The text before the first c; empty when there is no c.
QByteArray TextBefore(const QByteArray& text, char c);

// Decimal integer with an optional sign, 32 bits. Raises EConvertError
// "'<text>' is not a valid integer value".
qint32 StrToInt(const QByteArray& text);
bool TryStrToInt(const QByteArray& text, qint32* value);

// An integer field as the cutting found it, blanks trimmed.
struct IntField {
  QByteArray text;
};

// The largest phone book and the highest SMS slot the program takes from the unit.
constexpr qint32 kMaxPhoneBookSize = 10000;
constexpr qint32 kMaxSmsSlot = 10000;

// Reads the field. If it is not an integer, or lies outside lowest..highest, the rest of the
// line is dropped (rxLine emptied: the next line starts clean) and EConvertError is raised.
qint32 ReadIntField(const IntField& field, QByteArray& rxLine);
qint32 ReadIntField(const IntField& field, QByteArray& rxLine, qint32 lowest, qint32 highest);

IntField SignalLevelField(const QByteArray& line);     // +CSQ: 18,99      -> 18
IntField PhoneBookSizeField(const QByteArray& line);   // +CPBR: (1-250),.. -> 250
IntField SmsSlotField(const QByteArray& line);         // +CMGL: 3,"REC.." -> 3
IntField PhoneBookIndexField(const QByteArray& line);  // +CPBR: 7,"123",.. -> 7
IntField SmsWrittenSlotField(const QByteArray& line);  // +CMGW: 4      -> 4

// +CSCA: "+420603052000",145 -> +420603052000
QByteArray CentreNumber(const QByteArray& line);
// The 20 bytes from the first double quote on (from the start without one).
QByteArray OperatorText(const QByteArray& line);

struct NameAndNumber {
  QByteArray name;
  QByteArray number;
};
// +CPBR: 1,"123",129,"ADMIN1"
NameAndNumber PhoneBookEntryFields(const QByteArray& line);
// +CLCC: 1,1,4,0,0,"123",129,"ADMIN1"
NameAndNumber CallReportFields(const QByteArray& line);
// +CMGL: 3,"REC READ","+420123",,"..." -> the number after the status
QByteArray SmsListNumber(const QByteArray& line);

// "+CMS ERROR: 321": the SMS slot named does not exist or holds nothing.
bool NoSuchSlot(const QByteArray& line);

// ---- the signal meter ----

// 0xRRGGBB of the meter bar for a signal level.
quint32 SignalColour(qint32 level);

// ---- phone book rows ----

// Index of a name in ADMIN1..ADMIN8, ALARM1..ALARM8, OPER, RTIME, CRED (in that order), or -1.
int ReservedNameIndex(const QByteArray& name);
constexpr int kReservedNameCount = 19;
const char* ReservedName(int index);

// A row that may go to the SIM: both fields present, the number only of "0123456789+*#",
// the name without double quotes or control bytes (either would break the command).
bool RowSendable(const QByteArray& name, const QByteArray& number);
