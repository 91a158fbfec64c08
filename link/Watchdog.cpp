// The link countdown: each "+CSQ" report opens a window in which commands may be sent; a
// link that stays silent leads to the question whether to choose another port.
#include <QColor>
#include <QPushButton>

#include "app/Form1.h"
#include "app/Widgets.h"
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

namespace {

// Only the six SIM buttons: the busy state of the other controls is not the watchdog's.
void enableSimButtons(TForm1& f, bool enabled) {
  for (QPushButton* b : f.SimButtons) b->setEnabled(enabled);
}

}  // namespace

void TForm1::Timer1Timer() {
  // A port whose device went away is looked for once a second and taken back when it is
  // there again; the countdown below still asks when it does not come back.
  if (ComPort1->Revive()) PortTakenBack();
  Gauge1->SetPosition(Gauge1->Position() + 1);
  if (Gauge1->Position() == 0) ++Link.SilentTicks;
  if (Gauge1->Position() > -5) {
    enableSimButtons(*this, false);
    Cekani->Play();
    Cekani->show();
  }
  if (Link.SilentTicks > 100) {
    // Reset first: the question's own event loop keeps the ticks coming.
    Link.SilentTicks = 0;
    Link.OperatorName.clear();
    const QString caption = QStringLiteral("COM") + QString::number(ComPort1->ComNumber());
    // Yes always brings up "Select Port", whatever the last choice was or how it failed.
    if (Env.dialogs->question(caption, Messages.Communication)) {
      ComPort1->ChoosePortAgain();
      // Like any port taken back: a unit left waiting for an SMS text would take every later
      // command as its text, and send no report while it waits.
      PortTakenBack();
    }
  }
  LED->hide();
  WatchAnswers();
}

void TForm1::SignalReport(const QByteArray& line) {
  Link.SignalLevel = ReadIntField(SignalLevelField(line), Link.RxLine);
  if (Link.ErasePending) {
    Link.ErasingPhoneBook = true;
    Link.ErasePending = false;
    Link.AwaitedSince = LinkClock();  // its first step comes with this report's "OK"
  }
  // Between its steps the erase waits for reports: each shows the unit is still there.
  if (Link.ErasingPhoneBook && Link.Awaited == Awaiting::None) Link.HeardAt = LinkClock();
  if (Link.ErasingPhoneBook) {
    EraseToWriteSwitch();
  } else {
    Smeter->SetForeColor(QColor::fromRgb(SignalColour(Link.SignalLevel)));
    Smeter->SetPosition(Link.SignalLevel);
    enableSimButtons(*this, true);
  }
  Gauge1->SetPosition(-27);  // a new window of 27 ticks
  Link.SilentTicks = 0;
  Cekani->Stop();
  Cekani->hide();
  // Not in the middle of a chain: its answers must not be taken for the operator's.
  const bool chainWaits =
      Link.anyTransfer() || (Link.Awaited != Awaiting::None && Link.Awaited != Awaiting::Query);
  if (Link.OperatorName.isEmpty() && !chainWaits) {
    Env.clock->pause(100);
    if (ComPort1->ComNumber() != 0) SendAwaited(At::OperatorQuery, Awaiting::Query);
    Link.LinkIdle = false;
  } else if (Link.PhoneBookCapacity == 0 && Link.Awaited == Awaiting::None &&
             Link.Running == Chain::None && !chainWaits) {
    // The size's answer came garbled: ask again rather than leave the phone book unusable.
    Env.clock->pause(100);
    if (ComPort1->ComNumber() != 0) SendAwaited(At::SizeQuery, Awaiting::Query);
  }
}
