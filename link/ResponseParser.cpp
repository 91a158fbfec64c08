// SPDX-License-Identifier: GPL-3.0-or-later
// The handler of the unit's bytes: lines, their recognition, "OK", errors and the status
// lines of the start-up chain.
#include <QScopeGuard>

#include "link/Answers.h"
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "link/LinkCore.h"
#include "platform/Clock.h"

namespace {

// Lines of the answer to the command in flight: each one shows it is still coming.
bool partOfAnswer(LineRule rule, Awaiting awaited) {
  switch (awaited) {
    case Awaiting::Read:
    case Awaiting::Census:
      return rule == LineRule::PhoneBookEntry;
    case Awaiting::SmsList:
      return rule == LineRule::SmsListHeader || rule == LineRule::SmsText;
    case Awaiting::Query:
      return rule == LineRule::Centre || rule == LineRule::Operator ||
             rule == LineRule::PhoneBookSize;
    case Awaiting::Body:
      return rule == LineRule::SmsWritten;
    default:
      return false;
  }
}

}  // namespace

void LinkCore::ComPort1TriggerAvail(TComPort* /*CP*/, int Count) {
  BatchEnded = false;
  SetLed(Led::Data);
  // Bytes are taken a run at a time, up to the next line end or prompt, and each line is
  // handled before the byte after it is read: as if they were read one by one.
  for (int left = Count; left > 0 && !BatchEnded;) {
    ByteEffect effect;
    const QByteArrayView run = ComPort1->Peek(left);
    if (run.isEmpty()) {
      // The port was closed under a handler: reading says what that means.
      effect = TakeByte(Link.RxLine, ComPort1->ReadChar());
      --left;
    } else {
      const int taken = int(TakeBytes(Link.RxLine, run, &effect));
      ComPort1->Skip(taken);
      left -= taken;
    }
    switch (effect) {
      case ByteEffect::LineEnd:
        HandleLine();
        break;
      case ByteEffect::Prompt:
        SmsPrompt();
        break;
      case ByteEffect::Appended:
      case ByteEffect::Ignored:
        break;
    }
  }
}

void LinkCore::HandleLine() {
  face->LineReceived(Link.RxLine);
  const QByteArray line = Link.RxLine;
  // Also when the line's handler raises (a refused write): kept, the line would be handled
  // again at the next carriage return, an "OK" answering the next chain's first command.
  const auto done = qScopeGuard([this] { Link.RxLine.clear(); });
  if (IsEcho(line)) {
    // Our own command said back is no data, and no line of an exchange: only a sign that
    // the echo is on again ("ATE" said back is its last).
    if (line.toUpper() != "ATE") Link.EchoSeen = true;
    return;
  }
  const qint64 now = LinkClock();
  if (!line.isEmpty()) LineHeardAt = now;
  // Entries are taken only for a read: a stray one must not land in a grid about to be written.
  const bool entries = InFlight.kind == Awaiting::Read || InFlight.kind == Awaiting::Census;
  const LineRule rule = RecogniseLine(line, !entries, Link.SmsTextExpected);
  // Settled before the line's handler runs, so that an error in it cannot leave the marks stale.
  AnswerContext at;
  at.lineEmpty = line.isEmpty();
  at.smsTextExpected = Link.SmsTextExpected;
  at.awaiting = InFlight.Awaits();
  at.awaitingProbe = InFlight.Is(At::Probe);
  at.awaitingCentre = InFlight.Is(At::CentreQuery) && !InFlight.stepping;
  at.owed = InFlight.owed > 0;
  const ProbeLine probe = ProbeAnswer(line, rule, InFlight.stepping);
  const Owner owner = LineOwner(InFlight.marks, rule, probe, at);
  if (owner == Owner::Probe && InFlight.owed > 0) --InFlight.owed;
  if (partOfAnswer(rule, InFlight.kind) || probe == ProbeLine::Step) InFlight.Heard(now);
  switch (rule) {
    case LineRule::Ok:
      HandleOk(owner);
      break;
    case LineRule::Centre:
      HandleCentre(line);
      break;
    case LineRule::SmsWritten:
      SmsWritten(line);
      break;
    case LineRule::Signal:
      SignalReport(line);
      break;
    case LineRule::Operator:
      HandleOperator(line);
      break;
    case LineRule::PhoneBookSize:
      HandlePhoneBookSize(line);
      break;
    case LineRule::SmsListHeader:
      SmsListHeader(line);
      break;
    case LineRule::RelayB:
      RelayBMarker();
      break;
    case LineRule::CallReport:
      CallReport(line);
      break;
    case LineRule::PhoneBookEntry:
      PhoneBookEntry(line);
      break;
    case LineRule::SmsText:
      SmsListText(line);
      break;
    case LineRule::Error:
      HandleError(owner, line);
      break;
    case LineRule::Other:
      // A census line that lost bytes may still be an entry: counted as one, it can only
      // hold a row back.
      if (InFlight.kind == Awaiting::Census && !line.isEmpty() && probe == ProbeLine::None)
        Link.Room.Found(line);
      break;
  }
}

void LinkCore::HandleOk(Owner owner) {
  switch (owner) {
    case Owner::Probe:
      return;  // it only paced the chain, or switched the echo off
    case Owner::Step:
      BackInStep();
      return;
    case Owner::Exchange:
      // The unit's own exchange steers nothing while an answer of ours is outstanding.
      if (InFlight.Awaits()) return;
      break;
    case Owner::Awaited:
      // The prompt and the body are answered otherwise; an "OK" here closes a cancelled body.
      if (InFlight.kind == Awaiting::Prompt || InFlight.kind == Awaiting::Body) return;
      // What a read brought is taken only once every answer before the barrier's is in: a
      // stray "OK" must not end it early.
      if (InFlight.stepping || InFlight.kind == Awaiting::Read ||
          InFlight.kind == Awaiting::Census || InFlight.kind == Awaiting::SmsList) {
        NoteFinal(true, QByteArray());
        return;
      }
      Settle(InFlight.kind, Outcome::Answered);
      return;
    case Owner::Unasked:
    case Owner::None:
      break;
  }
  OkHandling();
}

void LinkCore::NoteFinal(bool ok, const QByteArray& line) {
  // An "OK" ends an SMS text the list waits for, as always: the barrier's line is none.
  if (ok) Link.SmsTextExpected = false;
  // An error after the barrier went out, with no line of its answer before it, is most likely
  // the barrier refused: asked again at once rather than after a whole answer bound.
  const bool barrierRefused =
      InFlight.stepping && !ok && InFlight.finals.size() >= InFlight.barrierAt;
  InFlight.Note(ok, line);
  if (!InFlight.stepping || barrierRefused) SendBarrier();
}

void LinkCore::SendBarrier() {
  if (!InFlight.SendsLeft()) {
    GiveUp();
    return;
  }
  SendForChain(At::Barrier);
  InFlight.SendBarrier(LinkClock());
  Link.LinkIdle = false;
}

void LinkCore::BackInStep() {
  // A barrier answered after the chain had moved on (sent again, and both answered).
  if (!InFlight.stepping) return;
  // Every answer before the barrier's is in: nothing is owed any more.
  InFlight.owed = 0;
  const Awaiting kind = InFlight.kind;
  Settle(kind, InFlight.BackInStep());
}

void LinkCore::AnswerOk() {
  if (InFlight.kind == Awaiting::Row || InFlight.kind == Awaiting::RowAt) RowStored();
  // The census after the erase lists what it left: that, not the erase's answers, is told.
  if (InFlight.kind == Awaiting::Census && Link.Running == Chain::OverwriteSim && Link.Passes == 0)
    Link.EntriesKept = Link.EntriesFound;
  ProgressAt = LinkClock();
  InFlight.Close(true, ProgressAt);
  OkHandling();
}

void LinkCore::OkHandling() {
  Link.SmsTextExpected = false;
  const bool done = !Link.anyTransfer() && !InFlight.Awaits();
  if (!Link.anyTransfer()) {
    UnlockButtons();
    ShowProgress(false);
    ShowTransfer(false);
  }
  if (!Link.ProbePending)
    Link.LinkIdle = true;
  else
    Link.ProbePending = false;

  if (Link.WritingPhoneBook)
    WriteStep();
  else if (Link.ErasingPhoneBook)
    EraseStep();
  else if (Link.DeletingSms)
    SmsDeleteStep();
  else if (Link.WritingSms && Link.RedoPair)
    RewritePair();
  if (BatchEnded) return;

  if (!Link.CentreAsked) {
    Link.CentreAsked = true;
    clock->pause(100);
    if (ComPort1->ComNumber() != 0) SendAwaited(At::CentreQuery, Awaiting::Query);
  }
  if (done) ChainDone();
}

void LinkCore::HandleCentre(const QByteArray& line) {
  Centre = QString::fromLatin1(CentreNumber(line));
  show(Status::Centre);
}

void LinkCore::HandleOperator(const QByteArray& line) {
  Link.OperatorName = OperatorText(line);
  show(Status::Operator);
  clock->pause(100);
  if (ComPort1->ComNumber() != 0) SendAwaited(At::SizeQuery, Awaiting::Query);
  Link.LinkIdle = false;
}

void LinkCore::HandlePhoneBookSize(const QByteArray& line) {
  // Only the answer to our query: a stray size would have the erase and the writes run over
  // entries the SIM does not have, and a garbled one nobody asked for is no error.
  if (!InFlight.Is(At::SizeQuery)) return;
  const qint32 size = ReadIntField(PhoneBookSizeField(line), Link.RxLine, 1, kMaxPhoneBookSize);
  Link.PhoneBookCapacity = size;
  show(Status::Size);
}

void LinkCore::HandleError(Owner owner, const QByteArray& line) {
  SetLed(Led::Error);
  clock->pause(200);
  if (owner == Owner::Step) {
    BackInStep();
    return;
  }
  // An error that answers none of our commands changes nothing else.
  if (owner != Owner::Awaited) return;
  // A refused prompt leaves nothing stored, and the body is cancelled before the pair is
  // written again. A body already taken may still be stored ("+CMGW" tells): the barrier
  // shows whether the error was its answer.
  if (InFlight.kind == Awaiting::Prompt) {
    Settle(Awaiting::Prompt, Outcome::Refused);
    return;
  }
  // Judged once back in step; a refusal is then this line alone.
  NoteFinal(false, line);
}
