// SPDX-License-Identifier: GPL-3.0-or-later
// The SMS chains: list, delete and save, carried on by the parser.
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "link/LinkCore.h"
#include "platform/Clock.h"
#include "sms/SmsFilters.h"

namespace {

constexpr quint8 kAllPairs = 0x3F;

bool isPair(qint32 index) { return index >= 1 && index <= 6; }

// The slots the save frees before it writes the six pairs.
constexpr qint32 kSaveDeletes = 7;

}  // namespace

// A face may hand the pairs over as typed: what goes on the line is only what a pair may hold
// (a line end in the number, or Ctrl-Z in the text, would end the command early).
QByteArray LinkCore::PairPhone(int pair) const {
  return FilterPhone(Pairs[pair].phone, MaxLengthNumber).toLatin1();
}

bool LinkCore::FillsPair(qint32 slot) const {
  // A save's list fills only the pairs it stored: the others hold what the user typed, and an
  // old SMS left in their slot must not take its place.
  if (!isPair(slot)) return false;
  return Link.Running != Chain::SaveSms || (Link.PairsStored & (1u << (slot - 1)));
}

void LinkCore::SmsListHeader(const QByteArray& line) {
  // Only the list asked for: a stray header must not move another running chain to another
  // step, nor put its number into the pairs a save is about to write, and a list that comes
  // after its chain was given up fills nothing.
  if (InFlight.kind != Awaiting::SmsList) return;
  QByteArray fields = line;
  CutThrough(fields, ':');
  AddToSmsList(fields);
  Link.StepIndex = ReadIntField(SmsSlotField(line), Link.RxLine, 1, kMaxSmsSlot);
  const QByteArray number = SmsListNumber(line);
  if (FillsPair(Link.StepIndex))
    SetPairField(Link.StepIndex - 1, true, QString::fromLatin1(number));
  Link.Listed << ListedSms{Link.StepIndex, number, QByteArray()};
  ++InFlight.lines;
  Link.SmsTextExpected = true;
  Link.RxLine.clear();
}

void LinkCore::SmsListText(const QByteArray& line) {
  if (line.isEmpty()) {
    // An empty body: the header keeps waiting for its text.
    AddToSmsList(QByteArrayLiteral("\r"));
    return;
  }
  AddToSmsList('"' + line + "\"\r");
  Link.SmsTextExpected = false;
  if (!Link.Listed.isEmpty()) Link.Listed.last().text = line;
  if (FillsPair(Link.StepIndex)) SetPairField(Link.StepIndex - 1, false, QString::fromLatin1(line));
}

void LinkCore::SmsDeleteStep() {
  ++Link.StepIndex;
  SetProgressPosition(Link.StepIndex);
  if (!Link.WritingSms && Link.StepIndex > kMaxSmsSlot) {
    // A unit that frees every slot it is asked for: past the highest slot there are none.
    SmsDeleteEnd();
    return;
  }
  clock->pause(200);
  if (Link.WritingSms && Link.StepIndex > kSaveDeletes) {
    // The last delete of the save is answered: every answer from here on is the write's.
    Link.StepIndex = 1;
    Link.DeletingSms = false;
    SendAwaited(At::WriteSms(PairPhone(0)), Awaiting::Prompt);
  } else {
    SendAwaited(At::DeleteSms(Link.StepIndex), Awaiting::SmsDelete);
  }
  Link.LinkIdle = false;
}

void LinkCore::SmsDeleteRefused(bool noSuchSlot, bool again) {
  // Only "no such slot" says a slot holds nothing. Any other refusal (a busy SIM, a stray line)
  // is tried again, as the erase's are: a pair's slot left full would shift every pair after it.
  if (!noSuchSlot && again) {
    ResendAwaited();
    return;
  }
  InFlight.Close(false, LinkClock());
  if (Link.RedoPair && noSuchSlot) {
    RewritePair();
    return;
  }
  // A save goes on past a slot the SIM has not, and past one no pair goes to; a pair's slot
  // that cannot be emptied ends it before anything is written.
  if (Link.WritingSms && !Link.RedoPair && (noSuchSlot || !isPair(Link.StepIndex))) {
    SmsDeleteStep();
    return;
  }
  if (!noSuchSlot && !Link.WritingSms) Link.SlotKept = Link.StepIndex;
  SmsDeleteEnd();
}

void LinkCore::SmsDeleteEnd() {
  // Also the end of a save that could not write a pair: the list shows what the unit holds,
  // and the pairs it did not take keep what the user typed.
  const bool save = Link.WritingSms;
  Link.DeletingSms = false;
  Link.RedoPair = false;
  ClearSmsList();
  Link.WritingSms = false;
  ClearPairs(save ? Link.PairsStored : kAllPairs);
  SendSmsList();
  Link.LinkIdle = false;
}

void LinkCore::SmsWriteRefused(bool again) {
  // Tried again like a refused row; a pair the unit keeps refusing ends the save with a list.
  // The error may not have been the unit's answer (a stray line): a unit that already waits for
  // the body would take the next command, the write again or the list, as its text.
  SendForChain(At::CancelBody);
  if (!again || !isPair(Link.StepIndex)) {
    SmsDeleteEnd();
    return;
  }
  RewritePair();
}

void LinkCore::RewritePair() {
  Link.RedoPair = false;
  clock->pause(200);
  SendAwaited(At::WriteSms(PairPhone(Link.StepIndex - 1)), Awaiting::Prompt);
}

void LinkCore::SmsPrompt() {
  // Only a save that waits for it: a "> " at the start of any other line is no prompt.
  if (InFlight.kind != Awaiting::Prompt || !isPair(Link.StepIndex)) return;
  InFlight.Close(true, LinkClock());
  // What is written is what the end of the save looks for (a face may change the pairs
  // meanwhile: the window's edits stay open).
  const int k = Link.StepIndex - 1;
  const QString text = FilterText(Pairs[k].text);
  if (k < Link.SmsAsked.size())
    Link.SmsAsked[k] = QString::fromLatin1(PairPhone(k)) + QLatin1Char('=') + text;
  SendAwaited(At::SmsBody(text.toLatin1()), Awaiting::Body);
}

void LinkCore::SmsWritten(const QByteArray& line) {
  // Only the answer to a body of a running save: a stray one must not write the pairs or
  // empty them.
  if (!Link.WritingSms || InFlight.kind != Awaiting::Body) return;
  const qint32 pair = Link.StepIndex;
  Link.StepIndex = ReadIntField(SmsWrittenSlotField(line), Link.RxLine, 1, kMaxSmsSlot);
  // Answered: the "OK" after this line closes the body's exchange, and a barrier sent on an
  // error before it has nothing left to judge.
  ProgressAt = LinkClock();
  InFlight.Close(true, ProgressAt);
  if (isPair(pair)) Link.PairsStored |= quint8(1u << (pair - 1));
  SetProgressPosition(Link.StepIndex);
  // The slot the unit used decides the next pair: pairs below a higher slot are skipped.
  ++Link.StepIndex;
  if (Link.StepIndex <= 6) {
    clock->pause(200);
    SendAwaited(At::WriteSms(PairPhone(Link.StepIndex - 1)), Awaiting::Prompt);
    return;
  }
  Link.StepIndex = 0;
  Link.WritingSms = false;
  ClearPairs(Link.PairsStored);
  clock->pause(100);
  if (ComPort1->ComNumber() != 0) SendSmsList();
  Link.LinkIdle = false;
}
