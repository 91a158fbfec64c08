// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts of the commands sent to the unit. Numbers in decimal, every command ends in
// "\r\n" except the SMS body, which ends in Ctrl-Z.
#include <QByteArray>
#include <QtGlobal>

namespace At {

extern const QByteArray EchoOff;      // ATE
extern const QByteArray Attention;    // AT: the empty step
extern const QByteArray Probe;        // AT+CMGF?: an answer that carries nothing
extern const QByteArray CentreQuery;  // AT+CSCA?
// The barrier: the centre query, whose "+CSCA" line nothing else sends while it is out; its
// answer tells that every answer before it is in.
extern const QByteArray& Barrier;
extern const QByteArray OperatorQuery;   // AT+COPS?
extern const QByteArray SizeQuery;       // AT+CPBR=?
extern const QByteArray ErasePhoneBook;  // AT^SPBD=SM
extern const QByteArray ListSms;         // AT+CMGL=ALL
// ESC cancels an SMS body the unit is collecting; the line end clears whatever else it holds.
extern const QByteArray CancelBody;

// AT+CPBR=1,<last>: read entries 1 to last.
QByteArray ReadPhoneBook(qint32 last);
// AT+CPBW=<index>: delete one entry.
QByteArray DeleteEntry(qint32 index);
// AT+CPBW=,<number>,,"<name>": write to the first free entry.
QByteArray WriteEntry(const QByteArray& number, const QByteArray& name);
// AT+CPBW=<index>,<number>,,"<name>"
QByteArray WriteEntryAt(qint32 index, const QByteArray& number, const QByteArray& name);
// The write of a grid row: "RTIME" goes to entry capacity-1, "OUT" to entry capacity,
// any other name to the first free entry.
bool GoesToFirstFree(const QByteArray& name);
QByteArray WriteRow(const QByteArray& name, const QByteArray& number, qint32 capacity);

// AT+CMGD=<slot>
QByteArray DeleteSms(qint32 slot);
// AT+CMGW=<number>, the number unquoted and unchanged.
QByteArray WriteSms(const QByteArray& number);
// The SMS body sent on the unit's prompt.
QByteArray SmsBody(const QByteArray& text);

}  // namespace At
