// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Exchange.h"

namespace {

// An answer not heard of for this long is taken as lost.
constexpr qint64 kAnswerMs = 10000;

}  // namespace

const Policy& PolicyFor(Awaiting kind) {
  // Six sends carry a command through a loss and its barrier's loss, a silence of 30 s, or three
  // refusals (each judged by a barrier); a row or a body that may have been stored goes out
  // again only when the unit refused it. A prompt needs no barrier: three tries.
  static const Policy table[] = {
      {0, false, kAnswerMs},  // None
      {6, true, kAnswerMs},   // Query
      {6, true, kAnswerMs},   // Anything
      {6, true, kAnswerMs},   // Read
      {6, true, kAnswerMs},   // Census
      {6, true, kAnswerMs},   // Erase
      {6, true, kAnswerMs},   // Step
      {6, false, kAnswerMs},  // Row
      {6, true, kAnswerMs},   // RowAt
      {6, true, kAnswerMs},   // SmsList
      {6, true, kAnswerMs},   // SmsDelete
      {3, true, kAnswerMs},   // Prompt
      {6, false, kAnswerMs},  // Body
  };
  return table[int(kind)];
}

void Exchange::Send(const QByteArray& command, Awaiting what, qint32 atStep, qint64 now) {
  kind = what;
  bytes = command;
  step = atStep;
  finals.clear();
  lastError.clear();
  errorsHeard = oksHeard = 0;
  stepping = false;
  lines = 0;
  emptyAgain = false;
  since = now;
  ++sent[key()];
  deadline = now + policy().answerMs;
}

void Exchange::SendAgain(qint64 now) {
  finals.clear();
  stepping = false;
  lines = 0;
  ++sent[key()];
  deadline = now + policy().answerMs;
}

void Exchange::SendBarrier(qint64 now) {
  stepping = true;
  barrierAt = finals.size();
  ++sent[key()];
  deadline = now + policy().answerMs;
}

void Exchange::Close(bool answered, qint64 now) {
  if (answered) sent.remove(key());
  kind = Awaiting::None;
  finals.clear();
  stepping = false;
  deadline = now + kAnswerMs;
}

void Exchange::NewChain() {
  sent.clear();
  kind = Awaiting::None;
  finals.clear();
  stepping = false;
  owed = 0;
}

void Exchange::Note(bool ok, const QByteArray& line) {
  finals << ok;
  ++(ok ? oksHeard : errorsHeard);
  if (!ok) lastError = line;
}

Outcome Exchange::BackInStep() {
  stepping = false;
  const Verdict verdict = Judge(finals);
  finals.clear();
  // Whatever came before the barrier's answer was the command's: it promises nothing more.
  if (kind == Awaiting::Anything) return Outcome::Answered;
  switch (verdict) {
    case Verdict::Answered:
      return Outcome::Answered;
    case Verdict::Refused:
      return Outcome::Refused;
    case Verdict::Unknown:
      break;
  }
  return Outcome::Lost;
}
