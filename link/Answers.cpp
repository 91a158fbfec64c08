// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Answers.h"

#include <QHash>

namespace {

// Lines after which the next "OK" closes their own exchange: the unit's reports, and the
// information lines on which a chain already sends its next command.
bool opensExchange(LineRule rule) {
  return rule == LineRule::Signal || rule == LineRule::CallReport || rule == LineRule::Operator ||
         rule == LineRule::SmsWritten;
}

constexpr int kItemsShown = 20;

}  // namespace

ProbeLine ProbeAnswer(const QByteArray& line, LineRule rule, bool barrierOut) {
  if (rule == LineRule::Centre) return barrierOut ? ProbeLine::Step : ProbeLine::None;
  return rule == LineRule::Other && line.startsWith("+CMGF:") ? ProbeLine::Pace : ProbeLine::None;
}

Owner LineOwner(AnswerMarks& marks, LineRule rule, ProbeLine probe, const AnswerContext& at) {
  if (rule == LineRule::Ok || rule == LineRule::Error) {
    // A report that came without its "OK" leaves the mark set; an error is never a report's.
    const bool exchange = marks.okDue && rule == LineRule::Ok;
    const AnswerMarks was = marks;
    marks = AnswerMarks();
    if (was.stepDue) return Owner::Step;
    if (exchange) return Owner::Exchange;
    if ((was.probeDue && !at.awaitingProbe) || at.owed) return Owner::Probe;
    return at.awaiting ? Owner::Awaited : Owner::Unasked;
  }
  if (at.smsTextExpected) {
    if (!at.lineEmpty) marks = AnswerMarks();
    return Owner::None;
  }
  if (probe != ProbeLine::None) {
    marks = AnswerMarks();
    (probe == ProbeLine::Step ? marks.stepDue : marks.probeDue) = true;
  } else if (opensExchange(rule) || (rule == LineRule::Centre && !at.awaitingCentre)) {
    // A centre line nobody waits for is a barrier's or query's answer come late.
    marks = AnswerMarks();
    marks.okDue = true;
  } else if (!at.lineEmpty) {
    marks = AnswerMarks();
  }
  return Owner::None;
}

Verdict Judge(const QList<bool>& finals) {
  if (finals.isEmpty()) return Verdict::Unknown;
  if (!finals.contains(false)) return Verdict::Answered;
  return finals.size() == 1 ? Verdict::Refused : Verdict::Unknown;
}

QStringList MissingLines(const QStringList& asked, const QStringList& present) {
  QHash<QString, int> stored;
  for (const QString& line : present) ++stored[line];
  QStringList missing;
  for (const QString& line : asked) {
    if (line.section(QLatin1Char('='), 1).isEmpty()) continue;
    int& count = stored[line];
    if (count > 0)
      --count;
    else
      missing << line;
  }
  return missing;
}

QString RowText(const QString& line) {
  const int eq = line.indexOf(QLatin1Char('='));
  return line.left(eq) + QStringLiteral(" (") + line.mid(eq + 1) + QLatin1Char(')');
}

QString FirstItems(const QString& title, const QStringList& items, const MessageTexts& texts) {
  QString text = texts.Counted(title, items.size()).arg(items.size());
  for (int i = 0; i < items.size() && i < kItemsShown; ++i) text += QLatin1Char('\n') + items[i];
  const qsizetype rest = items.size() - kItemsShown;
  if (rest > 0) text += QLatin1Char('\n') + texts.Counted(texts.AndMore, rest).arg(rest);
  return text;
}
