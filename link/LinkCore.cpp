// SPDX-License-Identifier: GPL-3.0-or-later
// The core's frame: its port and timer, the boundary of its events, and the status values and
// data it hands to its face.
#include "link/LinkCore.h"

#include <QTimer>
#include <algorithm>
#include <typeinfo>

#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "platform/Errors.h"

QString LinkFace::ChainName(Chain chain) const {
  const char* const names[] = {"",          "Load SIM",  "Overwrite SIM", "Add To SIM",
                               "Load SMSs", "Save SMSs", "Delete SMSs"};
  return QString::fromLatin1(names[int(chain)]);
}

LinkCore::LinkCore(const CoreEnvironment& env, LinkFace* face, QObject* parent)
    : QObject(parent), clock(env.clock), face(face) {
  ComPort1 = new TComPort(env.serial, env.choosePort, env.deviceName, this);
  Timer1 = new QTimer(this);
  Timer1->setInterval(1000);
  // Queued: a timer is not delivered again while its own handler runs, and the ticks must go
  // on behind whatever a face shows.
  connect(Timer1, &QTimer::timeout, this, &LinkCore::Timer1Timer, Qt::QueuedConnection);
  ComPort1->OnTriggerAvail = [this](TComPort* CP, int Count) {
    bool handled = false;
    unattended([&] {
      ComPort1TriggerAvail(CP, Count);
      handled = true;
    });
    // An error ends the handling of its batch, not the reading: the lines after it are read
    // now, not only once the unit sends again (a report could wait a whole interval).
    if (!handled) CP->OfferAgain();
  };
  ComPort1->OnPortLost = [this](TComPort*, const QString& reason) {
    unattended([&] { PortLost(reason); });
  };
}

LinkCore::~LinkCore() = default;

void LinkCore::event(const std::function<void()>& fn, bool unattended) {
  struct Work {
    LinkFace* face;
    bool unattended;
    ~Work() {
      if (unattended) face->UnattendedWork(false);
    }
  } work{face, unattended};
  if (unattended) face->UnattendedWork(true);
  const auto error = [this](const QString& text, const std::type_info& kind) {
    Notice notice(Notice::Kind::Error, text);
    notice.errorKind = QString::fromLatin1(kind.name());
    tell(notice);
  };
  try {
    fn();
  } catch (const Exception& e) {
    error(e.Message, typeid(e));
  } catch (const std::exception& e) {
    error(QString::fromLocal8Bit(e.what()), typeid(e));
  }
}

void LinkCore::tell(Notice notice) { face->Told(notice); }

QString LinkCore::PortName() const {
  return PortLabel.isEmpty() ? QStringLiteral("COM%1").arg(ComPort1->ComNumber()) : PortLabel;
}

void LinkCore::Start() {
  Link.RxLine.clear();
  SendLine(At::EchoOff);
  Link.OperatorName.clear();
  Link.PhoneBookCapacity = 0;
  Link.CentreAsked = true;
}

void LinkCore::ChoosePortAgain() {
  // Whatever the last choice was or how it failed, "Select Port" comes up.
  guarded([this] {
    ComPort1->ChoosePortAgain();
    // Like any port taken back: a unit left waiting for an SMS text would take every later
    // command as its text, and send no report while it waits.
    PortTakenBack();
  });
}

void LinkCore::StopRunningChain() {
  guarded([this] {
    if (Link.Running != Chain::None) StopChain(QString());
  });
}

void LinkCore::LockButtons() {
  if (ButtonsLocked) return;
  ButtonsLocked = true;
  show(Status::Busy);
}

void LinkCore::UnlockButtons() {
  if (!ButtonsLocked) return;
  ButtonsLocked = false;
  show(Status::Busy);
}

void LinkCore::SetRelayA(const QString& name) {
  RelayA = name;
  Link.RelayName = name;
}

void LinkCore::SetRelayB(const QString& name) { RelayB = name; }

void LinkCore::AdmissionsSaved() {
  Link.AdmisFresh = true;
  AdmissionLines.clear();
  face->AdmissionsChanged(LogChange::Replaced);
}

// ---- status values ----

void LinkCore::SetProgressMaximum(int n) {
  Progress.maximum = n;
  show(Status::ProgressMaximum);
}

void LinkCore::SetProgressPosition(int n) {
  Progress.position = n;
  show(Status::ProgressPosition);
}

void LinkCore::ShowProgress(bool shown) {
  Progress.shown = shown;
  show(Status::ProgressShown);
}

void LinkCore::ShowTransfer(bool shown) {
  TransferShown = shown;
  show(Status::Transfer);
}

void LinkCore::ShowWaiting(bool shown) {
  WaitingShown = shown;
  show(Status::Waiting);
}

void LinkCore::SetLed(Led state) {
  LedState = state;
  show(Status::Led);
}

void LinkCore::SetCountdown(qint32 position) {
  Countdown = std::clamp(position, -27, 0);
  show(Status::Countdown);
}

void LinkCore::EnableSimButtons(bool on) {
  SimButtonsOn = on;
  show(Status::SimButtons);
}

// ---- data ----

void LinkCore::SetPhoneBook(const QStringList& lines) {
  PhoneBookLines = lines;
  face->PhoneBookChanged(BookChange::Replaced);
}

void LinkCore::SetPairField(int pair, bool phone, const QString& value) {
  (phone ? Pairs[pair].phone : Pairs[pair].text) = value;
  face->SmsPairChanged(pair, phone);
}

void LinkCore::ClearPairs(quint8 pairs) {
  // The phones first, then the texts.
  for (int k = 0; k < 6; ++k)
    if (pairs & (1u << k)) SetPairField(k, true, QString());
  for (int k = 0; k < 6; ++k)
    if (pairs & (1u << k)) SetPairField(k, false, QString());
}
