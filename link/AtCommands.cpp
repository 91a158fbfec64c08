// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/AtCommands.h"

namespace At {

namespace {
const QByteArray kEnd = QByteArrayLiteral("\r\n");

QByteArray quoted(const QByteArray& text) { return '"' + text + '"'; }
}  // namespace

const QByteArray EchoOff = QByteArrayLiteral("ATE\r\n");
const QByteArray Attention = QByteArrayLiteral("AT\r\n");
const QByteArray Probe = QByteArrayLiteral("AT+CMGF?\r\n");
const QByteArray CentreQuery = QByteArrayLiteral("AT+CSCA?\r\n");
const QByteArray& Barrier = CentreQuery;
const QByteArray OperatorQuery = QByteArrayLiteral("AT+COPS?\r\n");
const QByteArray SizeQuery = QByteArrayLiteral("AT+CPBR=?\r\n");
const QByteArray ErasePhoneBook = QByteArrayLiteral("AT^SPBD=SM\r\n");
const QByteArray ListSms = QByteArrayLiteral("AT+CMGL=ALL\r\n");
const QByteArray CancelBody = QByteArrayLiteral("\x1B\r\n");

QByteArray ReadPhoneBook(qint32 last) { return "AT+CPBR=1," + QByteArray::number(last) + kEnd; }

QByteArray DeleteEntry(qint32 index) { return "AT+CPBW=" + QByteArray::number(index) + kEnd; }

QByteArray WriteEntry(const QByteArray& number, const QByteArray& name) {
  return "AT+CPBW=," + number + ",," + quoted(name) + kEnd;
}

QByteArray WriteEntryAt(qint32 index, const QByteArray& number, const QByteArray& name) {
  return "AT+CPBW=" + QByteArray::number(index) + ',' + number + ",," + quoted(name) + kEnd;
}

bool GoesToFirstFree(const QByteArray& name) { return name != "RTIME" && name != "OUT"; }

QByteArray WriteRow(const QByteArray& name, const QByteArray& number, qint32 capacity) {
  if (name == "RTIME") return WriteEntryAt(capacity - 1, number, name);
  if (name == "OUT") return WriteEntryAt(capacity, number, name);
  return WriteEntry(number, name);
}

QByteArray DeleteSms(qint32 slot) { return "AT+CMGD=" + QByteArray::number(slot) + kEnd; }

QByteArray WriteSms(const QByteArray& number) { return "AT+CMGW=" + number + kEnd; }

QByteArray SmsBody(const QByteArray& text) { return text + '\x1A'; }

}  // namespace At
