// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/CoreHarness.h"

#include <optional>

#include "app/DeferredDialogs.h"
#include "app/Form1.h"
#include "link/PortNames.h"
#include "platform/Errors.h"
#include "sms/SmsFilters.h"

static_assert(CoreHarness::PortLostBox == TForm1::PortLostBox, "one tag for either face's box");

CoreHarness::CoreHarness(const RigSetup& setup)
    : Rig(setup.unit, TestClock::defaultStart(), setup.demo, 9) {
  if (setup.beforeStart) setup.beforeStart(*this);
  CoreEnvironment env;
  env.clock = &clock();
  env.serial = &serial();
  env.choosePort = [this] { return dialogs().choosePort({}); };
  env.deviceName = [dir = dir()](int number) { return PortDeviceName(number, dir); };
  program = std::make_unique<LinkCore>(env, this);
  boxes = std::make_unique<DeferredDialogs>(&dialogs(), program.get());
  program->SetRelayA(QStringLiteral("OUTPUT A"));
  program->SetRelayB(QStringLiteral("OUTPUT B"));
  try {
    program->Start();
  } catch (const Exception& e) {
    dialogs().error(ErrorReportText(e.Message));
  }
  if (setup.afterCreate) setup.afterCreate(*this);
  started();
  settle();
}

CoreHarness::~CoreHarness() {
  program.reset();
  boxes.reset();
}

void CoreHarness::press(Chain chain) {
  if (!usable) return;
  switch (chain) {
    case Chain::LoadSim:
      return program->LoadPHONEClick();
    case Chain::OverwriteSim:
      return program->SavePhoneClick();
    case Chain::AddToSim:
      return program->AddToSIMClick();
    case Chain::LoadSms:
      return program->ButtonLoadSMSClick();
    case Chain::SaveSms:
      return program->ButtonSaveSMSClick();
    case Chain::DeleteSms:
      return program->ButtonDeleteSMSClick();
    case Chain::None:
      return;
  }
}

void CoreHarness::setPair(int k, const QString& phone, const QString& text) {
  program->Pairs[k] = {FilterPhone(phone, program->MaxLengthNumber), FilterText(text)};
}

void CoreHarness::SmsPairChanged(int pair, bool phone) {
  QString& field = phone ? program->Pairs[pair].phone : program->Pairs[pair].text;
  field = phone ? FilterPhone(field, program->MaxLengthNumber) : FilterText(field);
}

void CoreHarness::StatusChanged(Status what) {
  // The SIM buttons: the last of the busy state's and the watchdog's switches.
  if (what == Status::Busy) usable = !program->ButtonsLocked;
  if (what == Status::SimButtons) usable = program->SimButtonsOn;
  if (what == Status::PortBack) boxes->dismiss(PortLostBox);
}

void CoreHarness::AdmissionsChanged(LogChange) {
  if (onAdmissions) onAdmissions(program->AdmissionLines);
}

void CoreHarness::UnattendedWork(bool begins) {
  if (begins)
    boxes->beginUnattended();
  else
    boxes->endUnattended();
}

void CoreHarness::Told(const Notice& notice) {
  notices << notice;
  switch (notice.kind) {
    case Notice::Kind::ChainEnded: {
      DeferredDialogs::Unattended after(*boxes);
      if (!notice.text.isEmpty()) boxes->message(notice.text);
      return;
    }
    case Notice::Kind::Error: {
      const QString text = ErrorReportText(notice.text);
      boxes->report(text, notice.errorKind.isEmpty() ? text : notice.errorKind);
      return;
    }
    case Notice::Kind::PortLost:
      boxes->report(ErrorReportText(notice.text), QStringLiteral("port lost"), PortLostBox);
      return;
    case Notice::Kind::NoCommunication:
      QMetaObject::invokeMethod(
          program.get(),
          [this, notice] {
            if (boxes->question(notice.caption, notice.text)) program->ChoosePortAgain();
          },
          Qt::QueuedConnection);
      return;
  }
}
