// SPDX-License-Identifier: GPL-3.0-or-later
// The SIM phone book: read into the grid, erase, and write the grid paced by the link
// countdown.
#include <algorithm>

#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "link/LinkCore.h"
#include "platform/Clock.h"

namespace {

// The line carries one byte per character: anything beyond would reach the SIM as "?".
bool onTheLine(const QString& text) {
  for (const QChar c : text)
    if (c.unicode() > 0xFF) return false;
  return true;
}

}  // namespace

void LinkCore::PhoneBookEntry(const QByteArray& line) {
  ++InFlight.lines;
  if (InFlight.kind == Awaiting::Census) {
    Link.Room.Found(line);
    qint32 index = 0;
    if (TryStrToInt(PhoneBookIndexField(line).text, &index) && index >= 1 &&
        index < Link.PhoneBookCapacity && !Link.EntriesFound.contains(index)) {
      Link.EntriesFound << index;
      // What the read-back will show that this write did not store.
      const NameAndNumber held = PhoneBookEntryFields(line);
      // RTIME's entry is written over, not added to.
      if (Link.Passes == 0 && index != Link.PhoneBookCapacity - 1)
        Link.HeldBefore << QString::fromLatin1(held.name) + QLatin1Char('=') +
                               QString::fromLatin1(held.number);
    }
    return;
  }
  const NameAndNumber entry = PhoneBookEntryFields(line);
  const QString text =
      QString::fromLatin1(entry.name) + QLatin1Char('=') + QString::fromLatin1(entry.number);
  if (Link.PhoneBookFresh) {
    PhoneBookLines = {text};
    Link.PhoneBookFresh = false;
    face->PhoneBookChanged(BookChange::FirstEntry);
  } else {
    PhoneBookLines << text;
    face->PhoneBookChanged(BookChange::Entry);
  }
  // As the grid counts its rows: an empty book shows one blank row.
  SetProgressPosition(std::max<int>(int(PhoneBookLines.size()), 1));
}

void LinkCore::EraseStep() {
  const qint32 n = Link.PhoneBookCapacity;
  ++Link.StepIndex;
  SetProgressPosition(n - Link.StepIndex);
  if (Link.StepIndex < n) {
    clock->pause(20);
    if (ComPort1->ComNumber() != 0 && n > 1)
      SendAwaited(At::DeleteEntry(Link.StepIndex), Awaiting::Erase);
  }
}

void LinkCore::EraseToWriteSwitch() {
  if (Link.StepIndex <= Link.PhoneBookCapacity) return;
  Link.ErasingPhoneBook = false;
  StartWriting();
}

void LinkCore::StartWriting() {
  // The write starts by asking which entries are taken (N too: a caller there is named at the
  // end); the census's "OK" writes the first row. Without a known size there is nothing to ask.
  const qint32 n = Link.PhoneBookCapacity;
  Link.Room.Start(n);
  if (n > 1)
    SendAwaited(At::ReadPhoneBook(n), Awaiting::Census);
  else
    SendAwaited(At::Attention, Awaiting::Step);
  Link.WritingPhoneBook = true;
  Link.StepIndex = 0;
}

void LinkCore::WriteStep() {
  Link.LinkIdle = false;
  ++Link.StepIndex;
  SetProgressPosition(Link.StepIndex);
  if (Link.StepIndex > Link.WriteRows.size() || Link.StepIndex > Link.PhoneBookCapacity) {
    EndOfWrite();
    return;
  }

  if (Countdown >= -5) {
    // The free window is about to close: keep it open with a probe and write this row on
    // the probe's "OK". The rest of the batch waits for the next event.
    SetCountdown(-26);
    clock->pause(100);
    SendAwaited(At::Probe, Awaiting::Step);
    --Link.StepIndex;
    clock->pause(100);
    Link.ProbePending = true;
    Link.RxLine.clear();
    BatchEnded = true;
    return;
  }

  // The rows of the grid (locked meanwhile), or the ones a lost answer left missing.
  const QString& row = Link.WriteRows[Link.StepIndex - 1];
  const QString rowName = row.section(QLatin1Char('='), 0, 0);
  const QString rowNumber = row.section(QLatin1Char('='), 1);
  const QByteArray name = rowName.toLatin1();
  const QByteArray number = rowNumber.toLatin1();
  const bool sendable = RowSendable(name, number) && onTheLine(rowName) && onTheLine(rowNumber);
  // Only entry N left: the unit would put the row there.
  const bool room = Link.Room.Fits(name);
  if (!sendable || !room) {
    if (sendable) Link.HeldLines << row;
    // Skipped (and named at the end): the "OK" to the empty step moves on to the next row.
    clock->pause(100);
    SendAwaited(At::Attention, Awaiting::Step);
    return;
  }
  clock->pause(200);
  SendAwaited(At::WriteRow(name, number, Link.PhoneBookCapacity),
              At::GoesToFirstFree(name) ? Awaiting::Row : Awaiting::RowAt);
  ShowWaiting(false);
}

void LinkCore::EndOfWrite() {
  const bool readBack = ComPort1->ComNumber() != 0 && Link.PhoneBookCapacity > 1;
  Link.WritingPhoneBook = false;
  SetProgressPosition(0);
  clock->pause(100);
  if (!readBack) {
    // Its "OK" must not end the busy state; the next "OK" that arrives does.
    SendAwaited(At::Probe, Awaiting::Query);
    clock->pause(100);
    Link.ProbePending = true;
    // Without a read-back to refill it, the grid is kept: it is the only copy of the book.
    return;
  }
  // The probe's answer comes before the read's and is passed over: the read's closing "OK"
  // ends the busy state.
  SendForChain(At::Probe);
  ++InFlight.owed;
  clock->pause(100);
  Link.PhoneBookFresh = true;
  Link.ReadBack = true;
  SetPhoneBook({});
  SendAwaited(At::ReadPhoneBook(Link.PhoneBookCapacity - 1), Awaiting::Read);
}

void LinkCore::RowStored() {
  const QString& row = Link.WriteRows.value(Link.StepIndex - 1);
  Link.StoredLines << row;
  Link.Room.Taken(row.section(QLatin1Char('='), 0, 0).toLatin1());
}

void LinkCore::WriteRetry(bool again) {
  // Once its sends are used up the row is given up (and named at the end): StepIndex stays, so
  // the "OK" to the "AT" below moves on to the next row.
  if (again) --Link.StepIndex;
  if (ComPort1->ComNumber() != 0) SendAwaited(At::Attention, Awaiting::Step);
}
