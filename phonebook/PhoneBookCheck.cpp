// SPDX-License-Identifier: GPL-3.0-or-later
#include "phonebook/PhoneBookCheck.h"

#include <QRegularExpression>
#include <QSet>

#include "phonebook/EntrySyntax.h"

namespace {

// ADMIN1 to ADMIN8 and ALARM1 to ALARM8 are the unit's; the same word with another number is
// almost always a typing slip the unit would take as an ordinary caller, or pass over.
bool reservedLookAlike(const QString& name) {
  static const QRegularExpression form(QStringLiteral("^(?:ADMIN|ALARM)([0-9]+)$"));
  const QRegularExpressionMatch m = form.match(name);
  if (!m.hasMatch()) return false;
  const QString digits = m.captured(1);
  return digits.size() != 1 || digits[0] < QLatin1Char('1') || digits[0] > QLatin1Char('8');
}

// The relay time keeps its last two digits (5 becomes 05, 007 07): a longer time loses the
// digits before them, and the unit holds another time than the one given.
bool relayTimeCut(const QString& number) {
  if (number.size() <= 2) return false;
  for (const QChar c : number.left(number.size() - 2))
    if (c != QLatin1Char('0')) return true;
  return false;
}

}  // namespace

QList<RowFault> PhoneBookFaults(const QStringList& rows, const MessageTexts& m,
                                int maxNumberLength) {
  const QString* const entryTexts[] = {nullptr, &m.IncorrectNumber, &m.NumberTooLong,
                                       &m.IncorrectName, &m.TooLongName};
  QList<RowFault> faults;
  QSet<QString> single;  // RTIME and OUT rows seen, each has one entry
  for (int r = 0; r < rows.size(); ++r) {
    const QString& line = rows[r];
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? QString() : line.left(eq);
    const QString given = eq < 0 ? line : line.mid(eq + 1);
    QString number = given;
    const QString* text = entryTexts[int(CheckEntry(name, number, maxNumberLength))];
    if (text == nullptr && !given.isEmpty()) {
      if (name.isEmpty())
        text = &m.NumberWithoutName;
      else if (IsRtimeName(name) && relayTimeCut(given))
        text = &m.RelayTimeDigits;
      else if ((IsRtimeName(name) || name == QLatin1String("OUT")) && single.contains(name))
        text = &m.EntryWrittenOver;
    }
    if (text == nullptr && reservedLookAlike(name)) text = &m.NotReservedName;
    if (!given.isEmpty() && (IsRtimeName(name) || name == QLatin1String("OUT"))) single << name;
    if (text) faults.append({r + 1, line, *text});
  }
  return faults;
}

QStringList FaultLines(const QList<RowFault>& faults, const MessageTexts& m) {
  QStringList lines;
  for (const RowFault& f : faults) lines << m.RowFault.arg(f.row).arg(f.line, f.text);
  return lines;
}

QStringList RowsNotHeld(const QStringList& rows, const QStringList& held, int* leftOut) {
  const QSet<QString> there(held.begin(), held.end());
  QStringList rest;
  for (const QString& row : rows)
    if (!there.contains(row)) rest << row;
  if (leftOut) *leftOut = int(rows.size() - rest.size());
  return rest;
}
