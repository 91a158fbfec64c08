// SPDX-License-Identifier: GPL-3.0-or-later
// The link countdown: each "+CSQ" report opens a window in which commands may be sent; a
// link that stays silent leads to the question whether to choose another port.
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "link/LinkCore.h"
#include "platform/Clock.h"

void LinkCore::Timer1Timer() {
  unattended([this] {
    // A port whose device went away is looked for once a second and taken back when it is
    // there again; the countdown below still asks when it does not come back.
    if (ComPort1->Revive()) PortTakenBack();
    SetCountdown(Countdown + 1);
    if (Countdown == 0) ++Link.SilentTicks;
    if (Countdown > -5) {
      // Only the six SIM buttons: the busy state of the other controls is not the watchdog's.
      EnableSimButtons(false);
      ShowWaiting(true);
    }
    if (Link.SilentTicks > 100) {
      // Reset first: the count starts again whatever the answer, and however long it takes.
      Link.SilentTicks = 0;
      Link.OperatorName.clear();
      // Yes comes back as ChoosePortAgain: "Select Port", whatever the last choice was or how
      // it failed.
      Notice question(Notice::Kind::NoCommunication, Messages.Communication);
      question.caption = QStringLiteral("COM") + QString::number(ComPort1->ComNumber());
      tell(question);
    }
    SetLed(Led::Off);
    WatchAnswers();
  });
  // Also when the tick failed: the port may be open all the same.
  NotePortBack();
}

void LinkCore::SignalReport(const QByteArray& line) {
  Link.SignalLevel = ReadIntField(SignalLevelField(line), Link.RxLine);
  // Not before "AT^SPBD=SM" is answered: the erase's steps take the "OK"s that follow.
  if (Link.ErasePending && !InFlight.Awaits()) {
    Link.ErasingPhoneBook = true;
    Link.ErasePending = false;
    // Its first step comes with this report's "OK".
    ProgressAt = LinkClock();
    InFlight.deadline = ProgressAt + PolicyFor(Awaiting::Erase).answerMs;
  }
  // Past its last entry the erase waits for a report: that is its progress.
  if (Link.ErasingPhoneBook && !InFlight.Awaits() && Link.StepIndex >= Link.PhoneBookCapacity)
    ProgressAt = LinkClock();
  if (Link.ErasingPhoneBook) {
    EraseToWriteSwitch();
  } else if (!Link.ErasePending) {
    // An erase still waiting for "AT^SPBD=SM" to be answered is part of the chain: its SIM
    // buttons stay off.
    show(Status::Signal);
    EnableSimButtons(true);
  }
  SetCountdown(-27);  // a new window of 27 ticks
  Link.SilentTicks = 0;
  ShowWaiting(false);
  // Not in the middle of a chain: its answers must not be taken for the operator's.
  const bool chainWaits =
      Link.anyTransfer() || (InFlight.Awaits() && InFlight.kind != Awaiting::Query);
  if (Link.OperatorName.isEmpty() && !chainWaits) {
    clock->pause(100);
    if (ComPort1->ComNumber() != 0) SendAwaited(At::OperatorQuery, Awaiting::Query);
    Link.LinkIdle = false;
  } else if (Link.PhoneBookCapacity == 0 && !InFlight.Awaits() && Link.Running == Chain::None &&
             !chainWaits) {
    // The size's answer came garbled: ask again rather than leave the phone book unusable.
    clock->pause(100);
    if (ComPort1->ComNumber() != 0) SendAwaited(At::SizeQuery, Awaiting::Query);
  }
}
