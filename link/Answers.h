// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which answer a line of the unit is, and what a chain left undone. The unit's own exchanges
// (signal and call reports) end with an "OK" of their own and may fall between one of our
// commands and its answer; these rules keep such lines from steering our chains. Pure.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "link/LineRules.h"
#include "settings/MessageTexts.h"

// Whose answer a line is. Only final results ("OK" and error lines) are given an owner.
enum class Owner {
  None,      // not a final result
  Exchange,  // closes the exchange the line before it opened (the unit's own report, or an
             // answer whose chain already moved on at its information line)
  Probe,     // answers a command nobody waits for (a pacing probe, an echo-off); carries nothing
  Step,      // answers the barrier that gets a chain back in step: every answer before it is in
  Awaited,   // may answer the command the program waits for
  Unasked,   // nothing is awaited
};

// The information line of a probe: the final result after it is the probe's. The pacing probe
// (AT+CMGF?) may say "+CMGF: 1"; the barrier's answer (to AT+CSCA?) is a "+CSCA" line, which
// nothing else sends while the barrier is out.
enum class ProbeLine : quint8 { None, Pace, Step };
ProbeLine ProbeAnswer(const QByteArray& line, LineRule rule, bool barrierOut);

struct AnswerMarks {
  bool okDue = false;     // the line before opened an exchange whose "OK" comes next
  bool probeDue = false;  // the line before was a pacing probe's answer
  bool stepDue = false;   // the line before was the barrier's answer
};

struct AnswerContext {
  bool lineEmpty = false;
  bool smsTextExpected = false;  // the line may be an SMS text: it opens no exchange
  bool awaiting = false;         // a command of ours waits for its answer
  bool awaitingProbe = false;    // that command is itself the pacing probe
  bool awaitingCentre = false;   // that command is the centre query (not its barrier)
  bool owed = false;             // a final result is due first for a command nobody waits for
};

// Settles the owner of one complete line and carries the marks on.
Owner LineOwner(AnswerMarks& marks, LineRule rule, ProbeLine probe, const AnswerContext& at);

// Final results heard since the awaited command was sent (true: "OK"), judged once the chain
// is back in step. Any error among several may be a stray line as much as the answer.
enum class Verdict : quint8 { Answered, Refused, Unknown };
Verdict Judge(const QList<bool>& finals);

// ---- what a chain left undone ----

// The lines of `asked` (name=number) that `present` lacks, counting repeats. Lines without a
// number are placeholders nobody asked to store, and are left out.
QStringList MissingLines(const QStringList& asked, const QStringList& present);

// A grid line name=number as the user reads it: "name (number)".
QString RowText(const QString& line);

// title with its %1 and plural forms for the number of items, then the first 20 items one a
// line, then texts.AndMore for the count of the rest.
QString FirstItems(const QString& title, const QStringList& items, const MessageTexts& texts);
