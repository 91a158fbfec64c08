// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command in flight: its bytes, what it waits for, the step of its chain when it went out,
// how often it went out and until when its answer is due; the final results heard since and the
// barrier that gets the chain back in step. One table says per kind how often a command may go
// out and whether a lost one may be sent again. Pure: the caller gives the time.
#include <QByteArray>
#include <QHash>
#include <QList>

#include "link/Answers.h"

// What the program waits for after a command, and so what a time-out may do about it.
enum class Awaiting : quint8 {
  None,
  Query,      // ATE, AT+COPS?, AT+CPBR=?, AT+CSCA?, a pacing AT+CMGF?
  Anything,   // AT^SPBD=SM: any answer or none; its barrier's answer closes it
  Read,       // AT+CPBR=1,N-1: the grid refilled when sent again
  Census,     // AT+CPBR=1,N before a write: an entry listed twice counts once
  Erase,      // AT+CPBW=i
  Step,       // the writer's "AT" or its hold-back probe
  Row,        // a row for the first free entry: may have been stored, never sent again blindly
  RowAt,      // RTIME or OUT: lands in its entry however often it is sent
  SmsList,    // AT+CMGL=ALL: the list emptied when sent again
  SmsDelete,  // AT+CMGD=i
  Prompt,     // AT+CMGW=<number>: waits for "> "
  Body,       // the SMS body: waits for "+CMGW"; may have been stored
};

struct Policy {
  int mostSends;        // of one command in a chain: time-outs, refusals and barriers count
  bool resendWhenLost;  // a lost answer may be asked for again: nothing is stored twice
  qint64 answerMs;      // from the send, or from the last line of its answer
};
const Policy& PolicyFor(Awaiting kind);

// How a command ended, as the chain takes it.
enum class Outcome : quint8 {
  Answered,  // every final result heard was "OK" (and a read brought its lines)
  Refused,   // one error and nothing else: the unit's answer
  Lost,      // none heard, or a mix: late, lost or stray, nobody can tell
};

class Exchange {
 public:
  // ---- the command ----
  Awaiting kind = Awaiting::None;
  QByteArray bytes;  // sent again when its answer is lost
  qint32 step = 0;   // row, entry or slot of the chain when it went out
  qint64 deadline = 0;
  qint64 since = 0;  // when it first went out

  bool Awaits() const { return kind != Awaiting::None; }
  bool Is(const QByteArray& command) const { return Awaits() && bytes == command; }
  const Policy& policy() const { return PolicyFor(kind); }
  // Sends of this command (at this step) in the running chain, barriers included.
  int Sends() const { return sent.value(key()); }
  bool SendsLeft() const { return Sends() < policy().mostSends; }
  bool Overdue(qint64 now) const { return Awaits() && now >= deadline; }

  // A command goes out: a new exchange, its sends counted on from its last in the chain.
  void Send(const QByteArray& command, Awaiting what, qint32 atStep, qint64 now);
  // The same command again, or the barrier for it: one more send of it.
  void SendAgain(qint64 now);
  void SendBarrier(qint64 now);
  // A line of its answer came: still coming.
  void Heard(qint64 now) { deadline = now + policy().answerMs; }
  // Nothing is awaited any more; answered: its count starts afresh when it is sent again. A
  // chain that steps without commands of its own (the erase) takes the deadline from here.
  void Close(bool answered, qint64 now);
  // A chain begins or ends: no count carries over and nothing is owed; the marks stay (a
  // report may be half through).
  void NewChain();

  // ---- matching: final results and the barrier ----
  AnswerMarks marks;
  // Final results that may answer the command (true: "OK"), judged once back in step.
  QList<bool> finals;
  QByteArray lastError;               // the last error noted ("+CMS ERROR: 321": no such slot)
  int errorsHeard = 0, oksHeard = 0;  // since it first went out, its barriers' too
  bool stepping = false;              // the barrier is out
  qsizetype barrierAt = 0;  // finals noted when it went out: one after them may be its refusal
  qint32 lines = 0;         // entries or SMS the awaited read brought
  bool emptyAgain = false;  // an empty read is asked once more: a stray "OK" can end one early
  // Final results due first for commands nobody waits for (a pacing probe, an echo-off).
  int owed = 0;

  void Note(bool ok, const QByteArray& line);
  // The barrier's answer: how the command ended. What came before it is all in.
  Outcome BackInStep();

 private:
  QByteArray key() const { return bytes + '#' + QByteArray::number(step); }
  QHash<QByteArray, int> sent;
};
