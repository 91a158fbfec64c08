// SPDX-License-Identifier: GPL-3.0-or-later
// The time bound on the answer the program waits for, and the end of a chain: what is missing
// once it is done, what was not done when it had to be given up.
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LinkCore.h"
#include "platform/Clock.h"
#include "platform/Errors.h"

namespace {

// A chain whose commands bring no progress (an answer, a step of its own) for this long is
// given up, whatever the unit sends meanwhile.
constexpr qint64 kNoProgressMs = 60000;
// A chain that waits for the unit's own traffic (reports) is given up only after the link
// watchdog would have asked for another port.
constexpr qint64 kNoReportMs = 130000;
// Writes again of the rows the read-back lacked, after the first pass.
constexpr qint32 kMostPasses = 2;

QString pairText(int pair, const QString& phone, const QString& text) {
  return QStringLiteral("%1: %2 \"%3\"").arg(pair).arg(phone, text);
}

bool content(Awaiting kind) {
  return kind == Awaiting::Read || kind == Awaiting::Census || kind == Awaiting::SmsList;
}

}  // namespace

qint64 LinkCore::LinkClock() const { return clock->steadyMs(); }

void LinkCore::SendForChain(const QByteArray& bytes) {
  try {
    // Echo back on means the unit restarted: off again before the next command, its final
    // result owed before the command's. Never just before a body or its cancel (it would be
    // text).
    const bool text = bytes == At::CancelBody || bytes.endsWith('\x1A');
    if (Link.EchoSeen && !text && InFlight.kind != Awaiting::Prompt) {
      SendLine(At::EchoOff);
      ++InFlight.owed;
    }
    SendLine(bytes);
  } catch (const EComPortError& e) {
    // Nothing would answer: the chain ends here and says what it left undone; the error
    // report says why.
    StopChain(e.Message);
    throw;
  }
}

void LinkCore::SendLine(const QByteArray& bytes) {
  ComPort1->SendText(bytes);
  if (bytes == At::EchoOff) Link.EchoSeen = false;
  for (const QByteArray& part : bytes.split('\n')) {
    const QByteArray line = part.trimmed();
    if (line.left(2).toUpper() != "AT") continue;  // a body, or its cancel
    Link.SentLines << line;
    if (Link.SentLines.size() > 4) Link.SentLines.removeFirst();
  }
}

bool LinkCore::IsEcho(const QByteArray& line) const {
  // Only command lines are kept: a listed SMS text may well equal a body just written.
  return !line.isEmpty() && Link.SentLines.contains(line);
}

void LinkCore::SendAwaited(const QByteArray& command, Awaiting what) {
  SendForChain(command);
  InFlight.Send(command, what, Link.StepIndex, LinkClock());
  Link.LinkIdle = false;
}

void LinkCore::ResendAwaited() {
  SendForChain(InFlight.bytes);
  InFlight.SendAgain(LinkClock());
  Link.LinkIdle = false;
}

void LinkCore::SendSmsList() {
  Link.Listed.clear();
  Link.ListRefused = false;
  SendAwaited(At::ListSms, Awaiting::SmsList);
}

void LinkCore::StartChain(Chain chain) {
  Link.Running = chain;
  ProgressAt = LinkClock();
  InFlight.NewChain();
  Link.EntriesFound.clear();
  Link.HeldBefore.clear();
  Link.Unverified = false;
  Link.GridBefore = PhoneBookLines;
  Link.WriteRows = Link.GridBefore;
  Link.StoredLines.clear();
  Link.UncertainLines.clear();
  Link.Passes = 0;
  Link.ReadBack = false;
  Link.EntriesKept.clear();
  Link.Room = SimRoom();
  Link.HeldLines.clear();
  Link.SmsAsked.clear();
  for (int k = 0; k < 6; ++k) Link.SmsAsked << Pairs[k].phone + QLatin1Char('=') + Pairs[k].text;
  Link.PairsStored = 0;
  Link.RedoPair = false;
  Link.Listed.clear();
  Link.ListRefused = false;
  Link.SlotKept = 0;
}

bool LinkCore::CanStart(Chain chain) const {
  // As a user starts a chain who waits for the buttons: early in a free window, with the
  // unit's operator known and, for the phone book, its size.
  const bool phoneBook =
      chain == Chain::LoadSim || chain == Chain::OverwriteSim || chain == Chain::AddToSim;
  return ComPort1->IsOpen() && Link.LinkIdle && !Link.OperatorName.isEmpty() &&
         (!phoneBook || Link.PhoneBookCapacity > 0) && !InFlight.Awaits() && !Link.anyTransfer() &&
         Link.Running == Chain::None && !ButtonsLocked && SimButtonsOn && Countdown <= kFreshWindow;
}

void LinkCore::WatchAnswers() {
  const bool chain = Link.Running != Chain::None || Link.anyTransfer();
  if (!chain && !InFlight.Awaits()) return;
  if (ComPort1->ComNumber() == 0) {
    // A resend would bring up the port choice behind the user's back.
    StopChain(Messages.NoPortChosen);
    return;
  }
  const qint64 now = LinkClock();
  const qint64 limit = InFlight.Awaits() ? kNoProgressMs : kNoReportMs;
  if (chain && now - ProgressAt >= limit) {
    StopChain(Messages.NoAnswer.arg(limit / 1000));
    return;
  }
  if (InFlight.Awaits()) {
    if (InFlight.Overdue(now)) AnswerOverdue();
  } else if (Link.ErasingPhoneBook && now >= InFlight.deadline) {
    // The erase steps on "OK"s of the unit's own; a report that came without one must not
    // hold it.
    InFlight.deadline = now + PolicyFor(Awaiting::Erase).answerMs;
    EraseStep();
  }
}

void LinkCore::AnswerOverdue() {
  if (!InFlight.SendsLeft()) {
    GiveUp();
    return;
  }
  if (InFlight.stepping) {
    // The barrier's answer is lost too: the unit lost what it was sent meanwhile, so what was
    // noted before may be strays standing in for the command's own answer (a stray "OK" and a
    // stray entry line would pass for a census). Noted afresh from the new barrier on.
    InFlight.finals.clear();
    SendBarrier();
    return;
  }
  switch (InFlight.kind) {
    case Awaiting::Prompt:
      // The prompt may have been lost while the unit waits for a body: cancel that first.
      SendForChain(At::CancelBody);
      clock->pause(200);
      ResendAwaited();
      return;
    case Awaiting::Body:
      BodyUnanswered();
      return;
    default:
      // Late or lost: the barrier tells which, and nothing is sent again before it does.
      SendBarrier();
      return;
  }
}

void LinkCore::GiveUp() {
  // Its sends are used up: what was heard last decides, and nothing goes out for it again.
  const bool refused = InFlight.finals.size() == 1 && !InFlight.finals.first();
  InFlight.stepping = false;
  Settle(InFlight.kind, refused ? Outcome::Refused : Outcome::Lost);
}

void LinkCore::Settle(Awaiting command, Outcome outcome) {
  // Whether this command may go out again: every send counts, barriers and time-outs too.
  const bool again = InFlight.SendsLeft();
  // A row for the first free entry is never written again on an error alone: the error may have
  // been a stray line while the row's own answer was lost. The read-back tells.
  if (command == Awaiting::Row && outcome == Outcome::Refused) outcome = Outcome::Lost;
  switch (outcome) {
    case Outcome::Answered:
      if (content(command) && InFlight.lines == 0 && !InFlight.emptyAgain && again) {
        // Nothing listed: the unit may be empty, or a stray "OK" stood in for a lost answer.
        InFlight.emptyAgain = true;
        Resend();
        return;
      }
      AnswerOk();
      return;
    case Outcome::Refused:
      switch (command) {
        case Awaiting::RowAt:
          InFlight.Close(false, LinkClock());
          WriteRetry(again);
          return;
        case Awaiting::SmsDelete:
          SmsDeleteRefused(NoSuchSlot(InFlight.lastError), again);
          return;
        case Awaiting::Prompt:
          InFlight.Close(false, LinkClock());
          SmsWriteRefused(again);
          return;
        case Awaiting::Body:
          // The error may stand for a lost "+CMGW": the slot it may have taken is freed before
          // the pair is written again. A pair refused every time ends the save.
          if (again) {
            BodyUnanswered();
          } else {
            InFlight.Close(false, LinkClock());
            SmsWriteRefused(false);
          }
          return;
        default:
          if (again) {
            Resend();
            return;
          }
          RefusedEveryTime(command);
          return;
      }
    case Outcome::Lost:
      if (command == Awaiting::Row) {
        // A row for a fixed entry (RTIME, OUT) lands there however often it is sent. Any other
        // may have been stored, so it is not sent again: the read-back tells, and what it lacks
        // is written then. The "OK" to "AT" moves on to the next row.
        Link.UncertainLines << Link.WriteRows.value(Link.StepIndex - 1);
        Link.Room.Taken(QByteArray());  // it may have taken a free entry
        SendAwaited(At::Attention, Awaiting::Step);
        return;
      }
      if (again && command == Awaiting::Body) {
        BodyUnanswered();
        return;
      }
      if (again && InFlight.policy().resendWhenLost) {
        Resend();
        return;
      }
      // Never answered however often it went out: the unit does not do it.
      if (Link.Running == Chain::None && !Link.anyTransfer()) {
        // A query of the link's own: the next report asks again.
        InFlight.NewChain();
        Link.LinkIdle = true;
        return;
      }
      StopChain(InFlight.errorsHeard > 0 && InFlight.oksHeard == 0
                    ? Messages.RefusedEveryTime
                    : Messages.NoAnswer.arg((LinkClock() - ProgressAt) / 1000));
      return;
  }
}

void LinkCore::RefusedEveryTime(Awaiting command) {
  // The chain goes on as if answered; an entry left is told at the end.
  if (command == Awaiting::Erase) Link.EntriesKept << Link.StepIndex;
  // Not knowing which entries are free, no row may go to the first free one.
  if (command == Awaiting::Census) Link.Room.Unknown();
  if (command == Awaiting::SmsList) Link.ListRefused = true;
  // What the unit holds could not be read: what the user had stays.
  if (command == Awaiting::Read || command == Awaiting::SmsList) Link.Unverified = true;
  InFlight.Close(false, LinkClock());
  OkHandling();
}

void LinkCore::BodyUnanswered() {
  // It may have been stored, in the slot the unit gives next: free that slot again (the save
  // frees it anyway), then write the pair once more.
  SendForChain(At::CancelBody);
  clock->pause(200);
  Link.RedoPair = true;
  SendAwaited(At::DeleteSms(Link.StepIndex), Awaiting::SmsDelete);
}

void LinkCore::Resend() {
  if (InFlight.kind == Awaiting::Census && Link.Passes == 0) {
    Link.EntriesFound.clear();  // the census sent again lists them again
    Link.HeldBefore.clear();
  }
  if (InFlight.kind == Awaiting::Read) {
    Link.PhoneBookFresh = true;  // the answer sent again replaces what came of the first
  } else if (InFlight.kind == Awaiting::SmsList) {
    ClearSmsList();
    Link.Listed.clear();
    Link.SmsTextExpected = false;
  }
  ResendAwaited();
}

void LinkCore::StopChain(const QString& reason) {
  const Chain chain = Link.Running;
  const QString undone = chain == Chain::None ? QString() : UndoneText();
  if ((InFlight.kind == Awaiting::Prompt || InFlight.kind == Awaiting::Body) &&
      ComPort1->IsOpen()) {
    // A unit left waiting for the body would store every later command as its text.
    try {
      ComPort1->SendText(At::CancelBody);
    } catch (const EComPortError&) {
      // the chain ends either way, and the line's own error is what the user is told
    }
  }
  // Not a line from the unit since the command in flight first went out.
  const bool silent = InFlight.Awaits() && LineHeardAt < InFlight.since;
  Link.Running = Chain::None;
  InFlight.NewChain();
  InFlight.marks = AnswerMarks();
  Link.ErasePending = Link.ErasingPhoneBook = Link.WritingPhoneBook = false;
  Link.WritingSms = Link.DeletingSms = Link.ProbePending = false;
  Link.SmsTextExpected = false;
  Link.PhoneBookFresh = false;
  // Nothing the user had is lost with a chain that could not finish.
  const bool phoneBook =
      chain == Chain::LoadSim || chain == Chain::OverwriteSim || chain == Chain::AddToSim;
  if (phoneBook && PhoneBookLines != Link.GridBefore) {
    SetPhoneBook(Link.GridBefore);
    ClearInfo();
  }
  // A load given up asks for the centre no more.
  if (chain == Chain::LoadSim) Link.CentreAsked = true;
  if (chain == Chain::SaveSms || chain == Chain::LoadSms || chain == Chain::DeleteSms) {
    // The pairs the chain emptied for its list; the others hold what the user has there.
    for (int k = 0; k < 6 && k < Link.SmsAsked.size(); ++k) {
      if (chain == Chain::SaveSms && !(Link.PairsStored & (1u << k))) continue;
      const QString& pair = Link.SmsAsked[k];
      SetPairField(k, true, pair.section(QLatin1Char('='), 0, 0));
      SetPairField(k, false, pair.section(QLatin1Char('='), 1));
    }
  }
  UnlockButtons();
  ShowProgress(false);
  ShowTransfer(false);
  Link.LinkIdle = true;
  if (chain == Chain::None) return;
  Notice end(Notice::Kind::ChainEnded);
  end.chain = chain;
  end.complete = false;
  end.undone = undone;
  end.silent = silent && !reason.isEmpty();
  // Without a reason the error that ended it is what the window's user reads.
  if (!reason.isEmpty())
    end.text =
        Messages.NotFinished.arg(face->ChainName(chain), reason) + QLatin1Char('\n') + undone;
  tell(end);
}

QString LinkCore::UndoneText() const {
  switch (Link.Running) {
    case Chain::LoadSim:
      return Messages.GridKept;
    case Chain::OverwriteSim:
    case Chain::AddToSim: {
      if (Link.ErasePending) return Messages.NothingErased;
      if (Link.ErasingPhoneBook) return Messages.PartlyErased;
      QStringList rows;
      for (const QString& line : MissingLines(Link.GridBefore, Link.StoredLines))
        rows << RowText(line);
      if (rows.isEmpty()) return Messages.EveryRowWritten;
      return FirstItems(Messages.RowsMayBeMissing, rows, Messages);
    }
    case Chain::LoadSms:
      return Messages.SmsListIncomplete;
    case Chain::SaveSms: {
      QStringList pairs;
      for (int k = 0; k < Link.SmsAsked.size(); ++k) {
        const QString& pair = Link.SmsAsked[k];
        if (pair != QStringLiteral("=") && !(Link.PairsStored & (1u << k)))
          pairs << pairText(k + 1, pair.section(QLatin1Char('='), 0, 0),
                            pair.section(QLatin1Char('='), 1));
      }
      if (pairs.isEmpty()) return Messages.EverySmsSaved;
      return FirstItems(Messages.SmsMayBeMissing, pairs, Messages);
    }
    case Chain::DeleteSms:
      return Messages.SmsLeftFromSlot.arg(Link.StepIndex);
    case Chain::None:
      break;
  }
  return QString();
}

void LinkCore::ChainDone() {
  const Chain chain = Link.Running;
  Link.Running = Chain::None;
  QStringList parts;
  bool hidden = false;
  if (chain == Chain::LoadSim && Link.Unverified) {
    SetPhoneBook(Link.GridBefore);
    ClearInfo();
    parts << Messages.NotVerified;
  }
  if (chain == Chain::OverwriteSim || chain == Chain::AddToSim) {
    // Without a read-back (the size not known), only the rows the unit answered are known to
    // be there.
    QStringList missing = MissingLines(Link.GridBefore, Link.StoredLines);
    bool stored = false;  // rows the read-back must show (entry N is never read back)
    for (const QString& line : Link.StoredLines)
      stored = stored || !line.startsWith(QLatin1String("OUT="));
    const bool unverified =
        Link.ReadBack && (Link.Unverified || (stored && PhoneBookLines.isEmpty()));
    if (unverified) {
      // A read-back that did not happen must not empty the grid, which may be the only copy.
      SetPhoneBook(Link.GridBefore);
      ClearInfo();
      parts << Messages.NotVerified;
    } else if (Link.ReadBack) {
      // Entry N ("OUT") is never read back: its own "OK" stands for it.
      // What the SIM held before is no row of this write's, though it may read the same.
      QStringList present = MissingLines(PhoneBookLines, Link.HeldBefore);
      for (const QString& line : Link.StoredLines)
        if (line.startsWith(QLatin1String("OUT="))) present << line;
      missing = MissingLines(Link.GridBefore, present);
      // Rows whose answer was lost and that the SIM lacks were not stored: write them now.
      QStringList redo;
      for (const QString& line : missing)
        if (Link.UncertainLines.removeOne(line)) redo << line;
      if (!redo.isEmpty() && Link.Passes < kMostPasses) {
        WriteAgain(chain, redo);
        return;
      }
    }
    QStringList rows;
    for (const QString& line : missing) rows << RowText(line);
    if (!rows.isEmpty() && unverified) {
      parts << FirstItems(Messages.RowsMayBeMissing, rows, Messages);
    } else if (!rows.isEmpty()) {
      QString text = FirstItems(Messages.RowsNotWritten, rows, Messages);
      if (!Link.HeldLines.isEmpty())
        text += QLatin1Char('\n') + Messages.NoFreeEntry.arg(Link.PhoneBookCapacity);
      parts << text;
    }
    hidden = !Link.Room.Hidden().isEmpty();
    if (hidden)
      parts << Messages.HiddenInLastEntry.arg(Link.PhoneBookCapacity)
                   .arg(RowText(Link.Room.Hidden()));
  }
  if (chain == Chain::OverwriteSim && !Link.EntriesKept.isEmpty()) {
    QStringList entries;
    for (qint32 e : Link.EntriesKept) entries << QString::number(e);
    parts << Messages.Counted(Messages.EntriesNotErased, entries.size()).arg(entries.join(", "));
  }
  const bool smsChain =
      chain == Chain::LoadSms || chain == Chain::SaveSms || chain == Chain::DeleteSms;
  if (smsChain && (Link.Unverified ||
                   (chain == Chain::SaveSms && Link.PairsStored != 0 && Link.Listed.isEmpty()))) {
    // The edits were emptied for a list that did not come: they get back what they held.
    for (int k = 0; k < 6 && k < Link.SmsAsked.size(); ++k) {
      SetPairField(k, true, Link.SmsAsked[k].section(QLatin1Char('='), 0, 0));
      SetPairField(k, false, Link.SmsAsked[k].section(QLatin1Char('='), 1));
    }
    parts << Messages.SmsNotVerified;
    QStringList pairs;
    for (int k = 0; chain == Chain::SaveSms && k < Link.SmsAsked.size(); ++k) {
      const QString& pair = Link.SmsAsked[k];
      if (pair != QStringLiteral("=") && !(Link.PairsStored & (1u << k)))
        pairs << pairText(k + 1, pair.section(QLatin1Char('='), 0, 0),
                          pair.section(QLatin1Char('='), 1));
    }
    if (!pairs.isEmpty()) parts << FirstItems(Messages.SmsMayBeMissing, pairs, Messages);
  } else if (chain == Chain::SaveSms) {
    QStringList pairs;
    for (int k = 0; k < Link.SmsAsked.size(); ++k) {
      const QString phone = Link.SmsAsked[k].section(QLatin1Char('='), 0, 0);
      const QString text = Link.SmsAsked[k].section(QLatin1Char('='), 1);
      if (phone.isEmpty() && text.isEmpty()) continue;
      bool found = false;
      for (const ListedSms& m : Link.Listed)
        found = found ||
                (QString::fromLatin1(m.number) == phone && QString::fromLatin1(m.text) == text);
      if (!found) pairs << pairText(k + 1, phone, text);
    }
    if (!pairs.isEmpty()) parts << FirstItems(Messages.SmsNotSaved, pairs, Messages);
  }
  // A list the unit refused shows nothing: what it would have had to show is named instead.
  if (Link.ListRefused && chain == Chain::LoadSms) parts << Messages.SmsListIncomplete;
  if (Link.ListRefused && chain == Chain::DeleteSms && Link.SlotKept > 0)
    parts << Messages.SmsLeftFromSlot.arg(Link.SlotKept);
  if (chain == Chain::DeleteSms && !Link.Listed.isEmpty()) {
    QStringList left;
    for (const ListedSms& m : Link.Listed)
      left << pairText(m.slot, QString::fromLatin1(m.number), QString::fromLatin1(m.text));
    parts << FirstItems(Messages.SmsNotDeleted, left, Messages);
  }
  Notice end(Notice::Kind::ChainEnded);
  end.chain = chain;
  // A caller hidden in entry N is told, but leaves nothing asked for undone.
  end.complete = parts.size() == (hidden ? 1 : 0);
  end.text = parts.join(QStringLiteral("\n\n"));
  tell(end);
}

void LinkCore::WriteAgain(Chain chain, const QStringList& rows) {
  Link.Running = chain;
  ++Link.Passes;
  Link.WriteRows = rows;
  Link.ReadBack = false;
  LockButtons();
  StartTransfer();
  StartWriting();
}

void LinkCore::PortLost(const QString& reason) {
  Link.RxLine.clear();  // cut off with the device: the next line must not be glued to it
  StopChain(Messages.PortLost);
  PortLostTold = true;
  tell({Notice::Kind::PortLost, Messages.PortGone.arg(PortName(), reason)});
}

bool LinkCore::TakeBackPort() {
  if (ComPort1->IsOpen() || ComPort1->ComNumber() == 0) return false;
  // A click before the tick that would take the port back does what the tick would (or says
  // why the port cannot be opened) and starts nothing: the unit answers the take-back first.
  ComPort1->SendText(QByteArray());
  PortTakenBack();
  return true;
}

void LinkCore::PortTakenBack() {
  // What comes back may be another unit (or one that restarted): echo off again, and the next
  // report asks for its operator and phone book size. One the line left waiting for an SMS
  // body would store our commands as its text: that body is cancelled first.
  Link.OperatorName.clear();
  NotePortBack();
  SendLine(At::CancelBody);
  SendLine(At::EchoOff);
}

void LinkCore::NotePortBack() {
  // However it was opened again (taken back, chosen anew, opened by a command), what the face
  // was told of its loss no longer holds.
  if (!PortLostTold || !ComPort1->IsOpen()) return;
  PortLostTold = false;
  show(Status::PortBack);
}
