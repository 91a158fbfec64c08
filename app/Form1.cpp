// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: creation and the event boundary.
#include "app/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <typeinfo>

#include "app/DeferredDialogs.h"
#include "app/MonitorView.h"
#include "app/Widgets.h"
#include "files/PhoneBookFile.h"
#include "link/ComPort.h"
#include "link/PortNames.h"
#include "phonebook/NameValueGrid.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "settings/SettingsLocation.h"

namespace {

// The phone book that start-up puts in place of an unreadable "blank.phb".
const char* const kDefaultPhoneBook[] = {
    "ADMIN1=", "ADMIN2=", "ADMIN3=", "ADMIN4=", "ADMIN5=", "ADMIN6=",
    "ADMIN7=", "ADMIN8=", "ALARM1=", "ALARM2=", "ALARM3=", "ALARM4=",
    "ALARM5=", "ALARM6=", "ALARM7=", "ALARM8=", "CRED=",   "OPER=",
};

}  // namespace

namespace {

CoreEnvironment coreEnvironment(TForm1* f, const FormEnvironment& env) {
  const QStringList portPlaces{QFileInfo(env.programFile).absolutePath(), env.configDir};
  CoreEnvironment core;
  core.clock = env.clock;
  core.serial = env.serial;
  core.choosePort = [f] { return f->Env.dialogs->choosePort(f->PortChoice); };
  core.deviceName = [portPlaces](int number) { return PortDeviceName(number, portPlaces); };
  return core;
}

}  // namespace

TForm1::TForm1(const FormEnvironment& env, QWidget* parent)
    : QWidget(parent),
      Env(env),
      Boxes(std::make_unique<DeferredDialogs>(env.dialogs, this)),
      Core(new LinkCore(coreEnvironment(this, env), this, this)),
      Link(Core->Link),
      ButtonsLocked(Core->ButtonsLocked),
      Messages(Core->Messages),
      MaxLengthNumber(Core->MaxLengthNumber) {
  Env.dialogs = Boxes.get();
  ComPort1 = Core->ComPort1;
  Timer1 = Core->Timer1;
  buildLayout();
  Core->SetRelayB(RelB->text());
  Core->DailyFile = SaveFile->text();
  wireEvents();
  AcceptFileDrops();
  // Nothing of the running program acts before creation has finished: a start-up box runs an
  // event loop of its own, behind which no tick may count and no answer may be handled.
  ComPort1->HoldEvents(true);
  guarded([this] { FormCreate(); });
  ComPort1->HoldEvents(false);
  Timer1->start();
  // Told once the window is up; a start that ends without one leaves them for the next.
  if (StartPortNumber != 0)
    QMetaObject::invokeMethod(
        this, [this] { guarded([this] { TellOfRescuedAdmissions(); }); }, Qt::QueuedConnection);
}

// What outlives the window speaks English again.
TForm1::~TForm1() { SetErrorTexts(MessageTexts()); }

void TForm1::guarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const Exception& e) {
    ReportError(e.Message, QString::fromLatin1(typeid(e).name()));
  } catch (const std::exception& e) {
    ReportError(QString::fromLocal8Bit(e.what()), QString::fromLatin1(typeid(e).name()));
  }
}

void TForm1::ReportError(const QString& message, const QString& kind, int tag) {
  const QString text = ErrorReportText(message);
  Boxes->report(text, kind.isEmpty() ? text : kind, tag);
}

QString TForm1::settingsFileName() const {
  return LocateSettings(Env.programFile, Env.configDir).file;
}

void TForm1::FormCreate() {
  ReadSettings();
  for (QLabel* l : findChildren<QLabel*>())
    if (l->property(AutoSizeProperty).toBool()) l->adjustSize();

  StartPortNumber = ComPort1->ComNumber();
  Core->Start();
  StartPortNumber = ComPort1->ComNumber();
  ShowPort();

  setWindowTitle(QFileInfo(Env.programFile).completeBaseName());

  const QString blank = QStringLiteral("blank.phb");
  QStringList book;
  bool readable = true;
  QString readError;
  try {
    book = ReadPhoneBookFile(blank);
  } catch (const EFileError& e) {
    readable = false;
    readError = e.Message;
  }
  if (readable) {
    PhoneBook1->SetStrings(book);
  } else {
    for (const char* line : kDefaultPhoneBook) book << QString::fromLatin1(line);
    PhoneBook1->SetStrings(book);
    // A file that exists but cannot be read is the user's: say so, and never write over it.
    // One that cannot be created (a read-only folder) is said too; start-up goes on.
    if (QFileInfo::exists(blank)) {
      ReportError(readError);
    } else {
      try {
        WritePhoneBookFile(blank, book);
      } catch (const EFileError& e) {
        ReportError(e.Message);
      }
    }
  }

  SMSPhone4->setEnabled(Label11->isEnabled());
  SMStext4->setEnabled(Label11->isEnabled());
  SMSPhone5->setEnabled(Label12->isEnabled());
  SMStext5->setEnabled(Label12->isEnabled());
  SMSPhone6->setEnabled(Label13->isEnabled());
  SMSText6->setEnabled(Label13->isEnabled());

  ClearInfo();

  Link.PhoneBookFresh = false;
  Link.AdmisFresh = true;
  Core->SetRelayA(RelA->text());
  ButtonsLocked = false;
  Link.ProbePending = false;
  EntryFault = false;

  Prenos->Stop();
  Prenos->hide();
  Cekani->hide();
}

void TForm1::wireEvents() {
  auto onClick = [this](QPushButton* b, void (TForm1::*handler)()) {
    connect(b, &QPushButton::clicked, this,
            [this, handler] { guarded([&] { (this->*handler)(); }); });
  };
  onClick(LoadPHONE, &TForm1::LoadPHONEClick);
  onClick(SavePhone, &TForm1::SavePhoneClick);
  onClick(AddToSIM, &TForm1::AddToSIMClick);
  onClick(ButtonLoadSMS, &TForm1::ButtonLoadSMSClick);
  onClick(ButtonSaveSMS, &TForm1::ButtonSaveSMSClick);
  onClick(ButtonDeleteSMS, &TForm1::ButtonDeleteSMSClick);
  onClick(Test, &TForm1::TestClick);
  onClick(Find, &TForm1::FindClick);
  onClick(FindNext, &TForm1::FindNextClick);
  onClick(Sort, &TForm1::SortClick);
  onClick(LoadSIMPC, &TForm1::LoadSIMPCClick);
  onClick(SaveSIMPC, &TForm1::SaveSIMPCClick);
  onClick(LoadSMSPC, &TForm1::LoadSMSPCClick);
  onClick(SaveSMSPC, &TForm1::SaveSMSPCClick);
  onClick(SaveMonitor, &TForm1::SaveMonitorClick);
  Monitor->SetClock(Env.clock);
  connect(MonitorTimes, &QCheckBox::toggled, Monitor, &TMonitorView::SetShowTimes);
  connect(MonitorClear, &QPushButton::clicked, Monitor, &TMonitorView::Clear);
  auto findInMonitor = [this] {
    if (!Monitor->FindNext(MonitorFindText->text())) QApplication::beep();
  };
  connect(MonitorFind, &QPushButton::clicked, this, findInMonitor);
  connect(MonitorFindText, &QLineEdit::returnPressed, this, findInMonitor);
  auto* find = new QShortcut(QKeySequence::Find, TabSheet1);
  find->setContext(Qt::WidgetWithChildrenShortcut);
  connect(find, &QShortcut::activated, this, [this] {
    MonitorFindText->setFocus(Qt::ShortcutFocusReason);
    MonitorFindText->selectAll();
  });
  onClick(Sav, &TForm1::SavClick);

  // Every change of an SMS edit's text, the program's own included, runs its filter.
  for (int k = 0; k < 6; ++k) {
    for (QLineEdit* e : {SmsPhones[k], SmsTexts[k]}) {
      const bool phone = e == SmsPhones[k];
      connect(e, &QLineEdit::textChanged, this,
              [this, e, phone] { guarded([&] { SmsEditChange(e, phone); }); });
    }
  }
  connect(RelA, &QLineEdit::textChanged, this, [this] { guarded([this] { RelAChange(); }); });

  connect(PhoneBook1, &TNameValueGrid::StringsChange, this,
          [this] { guarded([this] { PhoneBook1StringsChange(); }); });
  connect(PhoneBook1, &TNameValueGrid::PasteRequest, this,
          [this] { guarded([this] { PhoneBook1Paste(); }); });
  // What the admission log's records depend on, and the user's edits of the log: the core's.
  connect(RelB, &QLineEdit::textChanged, this, [this](const QString& t) { Core->SetRelayB(t); });
  connect(SaveFile, &QLineEdit::textChanged, this,
          [this](const QString& t) { Core->DailyFile = t; });
  connect(Automat, &QCheckBox::toggled, this, [this](bool on) { Core->Automat = on; });
  connect(AdmisRec, &TNameValueGrid::StringsChange, this, [this] {
    if (!loggingBack_) Core->AdmissionLines = AdmisRec->Strings();
  });
}
