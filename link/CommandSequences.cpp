// SPDX-License-Identifier: GPL-3.0-or-later
// The six SIM buttons. Each sends the first command of its chain and arms a flag; the
// parser carries the chain on with every answer.
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LinkCore.h"
#include "platform/Clock.h"

// The probe only paces the chain: its answer (a final result owed before the next command's) is
// passed over when the parser reaches it, while a call that came meanwhile is still read.
void LinkCore::ProbeAndPause() {
  SendForChain(At::Probe);
  ++InFlight.owed;
  clock->pause(1000);
  clock->pause(1000);
}

void LinkCore::StartTransfer() {
  ShowProgress(true);
  ShowTransfer(true);
}

void LinkCore::LoadPHONEClick() {
  guarded([this] {
    if (ComPort1->ComNumber() == 0 || TakeBackPort()) return;
    // Runs even while busy: pressing it stops a phone book write or erase. The face puts the
    // grid's first row current (the entry check looks at that row while the book comes in).
    face->PhoneBookChanged(BookChange::Home);
    Link.WritingPhoneBook = false;
    Link.ErasingPhoneBook = false;
    if (!Link.LinkIdle) return;

    StartChain(Chain::LoadSim);
    LockButtons();
    SetPhoneBook({});
    ClearInfo();
    clock->pause(100);
    ProbeAndPause();
    Link.PhoneBookFresh = true;
    if (Link.PhoneBookCapacity > 1)
      SendAwaited(At::ReadPhoneBook(Link.PhoneBookCapacity - 1), Awaiting::Read);
    Link.CentreAsked = false;
    Link.LinkIdle = false;
    SetProgressMaximum(Link.PhoneBookCapacity);
    StartTransfer();
  });
}

void LinkCore::SavePhoneClick() {
  guarded([this] {
    if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
    StartChain(Chain::OverwriteSim);
    LockButtons();
    SetProgressMaximum(Link.PhoneBookCapacity);
    Link.StepIndex = 0;
    SetProgressPosition(Link.PhoneBookCapacity);
    StartTransfer();
    // The unit may answer it anyhow or not at all: the barrier sent with it (in one write, as
    // one command) closes it, and the erase, which waits for the unit's next report, starts
    // only then.
    SendForChain(At::ErasePhoneBook + At::Barrier);
    InFlight.Send(At::ErasePhoneBook, Awaiting::Anything, Link.StepIndex, LinkClock());
    InFlight.SendBarrier(LinkClock());
    Link.LinkIdle = false;
    // The erase itself waits for the unit's next signal report.
    Link.ErasePending = true;
  });
}

void LinkCore::AddToSIMClick() {
  guarded([this] {
    if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
    StartChain(Chain::AddToSim);
    LockButtons();
    SetProgressMaximum(Link.PhoneBookCapacity);
    StartTransfer();
    StartWriting();
  });
}

void LinkCore::ButtonLoadSMSClick() {
  guarded([this] {
    if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
    StartChain(Chain::LoadSms);
    ClearSmsList();
    Link.DeletingSms = false;
    Link.WritingSms = false;
    ClearPairs(0x3F);
    SendSmsList();
    Link.LinkIdle = false;
  });
}

void LinkCore::ButtonSaveSMSClick() {
  guarded([this] {
    if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
    StartChain(Chain::SaveSms);
    SetProgressMaximum(6);
    SetProgressPosition(0);
    StartTransfer();
    SetProgressPosition(1);
    LockButtons();
    ClearSmsList();  // the pairs keep their text: they are what will be written
    ProbeAndPause();
    Link.WritingSms = true;
    Link.DeletingSms = true;
    Link.StepIndex = 1;
    SendAwaited(At::DeleteSms(1), Awaiting::SmsDelete);
  });
}

void LinkCore::ButtonDeleteSMSClick() {
  guarded([this] {
    if (!Link.LinkIdle || ComPort1->ComNumber() == 0 || TakeBackPort()) return;
    StartChain(Chain::DeleteSms);
    SetProgressMaximum(25);
    SetProgressPosition(0);
    ShowProgress(true);  // no transfer animation for this one
    SetProgressPosition(1);
    LockButtons();
    ProbeAndPause();
    Link.DeletingSms = true;
    Link.StepIndex = 1;
    SendAwaited(At::DeleteSms(1), Awaiting::SmsDelete);
    Link.LinkIdle = false;
  });
}
