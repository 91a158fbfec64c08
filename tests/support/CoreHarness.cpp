#include "support/CoreHarness.h"

#include "link/PortNames.h"
#include "platform/Errors.h"
#include "sms/SmsFilters.h"

CoreHarness::CoreHarness(const RigSetup& setup)
    : Rig(setup.unit, TestClock::defaultStart(), setup.demo, 9) {
  if (setup.beforeStart) setup.beforeStart(*this);
  CoreEnvironment env;
  env.clock = &clock();
  env.serial = &serial();
  env.choosePort = [this] { return dialogs().choosePort(); };
  env.deviceName = [dir = dir()](int number) { return PortDeviceName(number, dir); };
  program = std::make_unique<LinkCore>(env, this);
  program->SetRelayA(QStringLiteral("OUTPUT A"));
  program->SetRelayB(QStringLiteral("OUTPUT B"));
  try {
    program->Start();
  } catch (const Exception& e) {
    dialogs().error(ErrorReportText(e.Message));
  }
  started();
  settle();
}

CoreHarness::~CoreHarness() { program.reset(); }

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
}

void CoreHarness::Told(const Notice& notice) {
  notices << notice;
  switch (notice.kind) {
    case Notice::Kind::ChainEnded:
      if (!notice.text.isEmpty()) dialogs().message(notice.text);
      return;
    case Notice::Kind::Error:
    case Notice::Kind::PortLost:
      dialogs().error(ErrorReportText(notice.text));
      return;
    case Notice::Kind::NoCommunication:
      if (dialogs().question(notice.caption, notice.text))
        QMetaObject::invokeMethod(
            program.get(), [this] { program->ChoosePortAgain(); }, Qt::QueuedConnection);
      return;
  }
}
