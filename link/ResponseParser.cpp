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

// Lines of an answer the program waits for: each one shows it is still coming.
bool partOfAnswer(LineRule rule, Awaiting awaited) {
  if (awaited == Awaiting::None) return false;
  switch (rule) {
    case LineRule::Centre:
    case LineRule::SmsWritten:
    case LineRule::Operator:
    case LineRule::PhoneBookSize:
    case LineRule::SmsListHeader:
    case LineRule::PhoneBookEntry:
    case LineRule::SmsText:
      return true;
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
  // Entries are taken only for a read: a stray one must not land in a grid about to be written.
  const bool entries = Link.Awaited == Awaiting::Read || Link.Awaited == Awaiting::Census;
  const LineRule rule = RecogniseLine(line, !entries, Link.SmsTextExpected);
  // Settled before the line's handler runs, so that an error in it cannot leave the marks stale.
  AnswerContext at;
  at.lineEmpty = line.isEmpty();
  at.smsTextExpected = Link.SmsTextExpected;
  at.awaiting = Link.Awaited != Awaiting::None;
  at.awaitingProbe = at.awaiting && Link.AwaitedCommand == At::Probe;
  const ProbeLine probe = rule == LineRule::Other ? ProbeAnswer(line) : ProbeLine::None;
  const Owner owner = LineOwner(Link.Marks, rule, probe, at);
  if (partOfAnswer(rule, Link.Awaited) || (probe == ProbeLine::Step && Link.Stepping))
    HeardFromUnit();
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
      if (Link.Awaited == Awaiting::Census && !line.isEmpty() && probe == ProbeLine::None)
        Link.Room.Found(line);
      break;
  }
}

void LinkCore::HandleOk(Owner owner) {
  switch (owner) {
    case Owner::Probe:
      return;  // it only paced the chain
    case Owner::Step:
      BackInStep();
      return;
    case Owner::Exchange:
      // The unit's own exchange steers nothing while an answer of ours is outstanding.
      if (Link.Awaited != Awaiting::None) return;
      break;
    case Owner::Awaited:
      // The prompt and the body are answered otherwise; an "OK" here closes a cancelled body.
      if (Link.Awaited == Awaiting::Prompt || Link.Awaited == Awaiting::Body) return;
      // What a read brought is taken only once every answer before the step probe's is in: a
      // stray "OK" must not end it early.
      if (Link.Stepping || Link.Awaited == Awaiting::Read || Link.Awaited == Awaiting::Census ||
          Link.Awaited == Awaiting::SmsList) {
        NoteFinal(true);
        return;
      }
      AnswerOk();
      return;
    case Owner::Unasked:
    case Owner::None:
      break;
  }
  OkHandling();
}

void LinkCore::NoteFinal(bool ok) {
  // An "OK" ends an SMS text the list waits for, as always: the step probe's line is none.
  if (ok) Link.SmsTextExpected = false;
  Link.Finals << ok;
  HeardFromUnit();
  if (!Link.Stepping) SendStepProbe();
}

void LinkCore::SendStepProbe() {
  SendForChain(At::StepProbe);
  Link.Stepping = true;
  Link.AwaitedSince = LinkClock();
  Link.LinkIdle = false;
}

void LinkCore::BackInStep() {
  // A step probe answered after the chain had moved on (sent again, and both answered).
  if (!Link.Stepping) return;
  Link.Stepping = false;
  HeardFromUnit();
  const Verdict verdict = Judge(Link.Finals);
  Link.Finals.clear();
  // A row for the first free entry is never written again on an error alone: the error may
  // have been a stray line while the row's own answer was lost. The read-back tells.
  const bool firstFree =
      Link.Awaited == Awaiting::Row && Link.AwaitedCommand.startsWith("AT+CPBW=,");
  const bool content = Link.Awaited == Awaiting::Read || Link.Awaited == Awaiting::Census ||
                       Link.Awaited == Awaiting::SmsList;
  if (verdict == Verdict::Answered && content && Link.AnswerLines == 0 && !Link.EmptyAgain) {
    // Nothing listed: the unit may be empty, or a stray "OK" stood in for a lost answer.
    Link.EmptyAgain = true;
    Resend();
  } else if (verdict == Verdict::Answered) {
    AnswerOk();
  } else if (verdict == Verdict::Refused && Link.Awaited == Awaiting::Body) {
    // The error may stand for a lost "+CMGW": the slot it may have taken is freed before the
    // pair is written again. A pair refused every time ends the save.
    if (Link.RowErrorsRow != Link.StepIndex) {
      Link.RowErrorsRow = Link.StepIndex;
      Link.RowErrors = 0;
    }
    if (++Link.RowErrors < kAttempts) {
      BodyUnanswered();
    } else {
      Link.Awaited = Awaiting::None;
      SmsWriteRefused();
    }
  } else if (verdict == Verdict::Refused && !firstFree) {
    AnswerRefused();
  } else {
    AnswerLost();
  }
}

void LinkCore::AnswerOk() {
  if (Link.Awaited == Awaiting::Row) RowStored();
  // The census after the erase lists what it left: that, not the erase's answers, is told.
  if (Link.Awaited == Awaiting::Census && Link.Running == Chain::OverwriteSim && Link.Passes == 0)
    Link.EntriesKept = Link.EntriesFound;
  Link.Awaited = Awaiting::None;
  HeardFromUnit();
  OkHandling();
}

void LinkCore::OkHandling() {
  Link.SmsTextExpected = false;
  const bool done = !Link.anyTransfer() && Link.Awaited == Awaiting::None;
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
  const qint32 size = ReadIntField(PhoneBookSizeField(line), Link.RxLine, 1, kMaxPhoneBookSize);
  // Only the answer to our query: a stray size would have the erase and the writes run over
  // entries the SIM does not have.
  if (Link.Awaited != Awaiting::Query || Link.AwaitedCommand != At::SizeQuery) return;
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
  // A body already taken may still be stored ("+CMGW" tells): the step probe shows whether
  // the error was its answer. A refused prompt leaves nothing stored, and the body is
  // cancelled before the pair is written again.
  if (Link.Awaited == Awaiting::Prompt) {
    HeardFromUnit();
    Link.Awaited = Awaiting::None;
    SmsWriteRefused();
    return;
  }
  // Judged once back in step; a refusal is then this line alone.
  Link.LastError = line;
  NoteFinal(false);
}

void LinkCore::AnswerRefused() {
  const Awaiting refused = Link.Awaited;
  switch (refused) {
    case Awaiting::Row:
      Link.Awaited = Awaiting::None;
      WriteRetry();
      return;
    case Awaiting::SmsDelete:
      SmsDeleteRefused(NoSuchSlot(Link.LastError));
      return;
    case Awaiting::Query:
    case Awaiting::Read:
    case Awaiting::Census:
    case Awaiting::Erase:
    case Awaiting::Step:
    case Awaiting::SmsList:
      if (++Link.Tries < kAttempts) {
        Resend();
        return;
      }
      // Refused every time: the chain goes on as if answered; an entry left is told at the end.
      if (refused == Awaiting::Erase) Link.EntriesKept << Link.StepIndex;
      // Not knowing which entries are free, no row may go to the first free one.
      if (refused == Awaiting::Census) Link.Room.Unknown();
      if (refused == Awaiting::SmsList) Link.ListRefused = true;
      // What the unit holds could not be read: what the user had stays.
      if (refused == Awaiting::Read || refused == Awaiting::SmsList) Link.Unverified = true;
      Link.Awaited = Awaiting::None;
      OkHandling();
      return;
    case Awaiting::Body:
      Link.Awaited = Awaiting::None;
      SmsWriteRefused();
      return;
    case Awaiting::Prompt:
    case Awaiting::None:
      return;
  }
}
