// SPDX-License-Identifier: GPL-3.0-or-later
// The window as the link core's face: the SIM buttons and the tick go to the core; what the
// core shows and tells becomes widgets and boxes. The behaviour itself is the core's (see
// link/LinkCore.h for where each handler lives).
#include <QCheckBox>
#include <QColor>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>

#include "admissions/AdmissionRecord.h"
#include "app/DeferredDialogs.h"
#include "app/Form1.h"
#include "app/MonitorView.h"
#include "app/Widgets.h"
#include "link/Answers.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "link/PortNames.h"
#include "phonebook/NameValueGrid.h"
#include "phonebook/PhoneBookCheck.h"
#include "platform/Dialogs.h"
#include "settings/FormSettings.h"

namespace {

QLabel* infoLabel(TForm1& f, int reservedIndex) {
  QLabel* const labels[kReservedNameCount] = {f.ADMIN1, f.ADMIN2, f.ADMIN3, f.ADMIN4, f.ADMIN5,
                                              f.ADMIN6, f.ADMIN7, f.ADMIN8, f.ALARM1, f.ALARM2,
                                              f.ALARM3, f.ALARM4, f.ALARM5, f.ALARM6, f.ALARM7,
                                              f.ALARM8, f.OPER,   f.RTIME,  f.CRED};
  return labels[reservedIndex];
}

void showAnimation(TAnimate* a, bool shown) {
  if (shown) {
    a->Play();
    a->show();
  } else {
    a->Stop();
    a->hide();
  }
}

// Every row from the first to the last; an empty log gives its one blank row.
QList<AdmissionRow> GridRows(const TNameValueGrid& grid) {
  QList<AdmissionRow> rows;
  for (int r = 1; r < grid.RowCount(); ++r) rows.append({grid.Cell(0, r), grid.Cell(1, r)});
  return rows;
}

}  // namespace

// ---- what the user starts ----

// The phone book chains take the grid's rows as they are now (the grid is locked meanwhile).
void TForm1::LoadPHONEClick() {
  Core->PhoneBookLines = PhoneBook1->Strings();
  Core->LoadPHONEClick();
}

void TForm1::SavePhoneClick() {
  // The erase takes everything the SIM holds: rows that would not be written as they stand
  // are named first, and nothing is erased unless the user says so.
  const QList<RowFault> faults =
      Link.LinkIdle ? PhoneBookFaults(PhoneBook1->Strings(), Messages, MaxLengthNumber)
                    : QList<RowFault>();
  if (!faults.isEmpty()) {
    const QString text = FirstItems(Messages.FaultyRows, FaultLines(faults, Messages), Messages) +
                         QStringLiteral("\n\n") + Messages.EraseAnyway;
    if (!Env.dialogs->question(SavePhone->text(), text)) return;
  }
  Core->PhoneBookLines = PhoneBook1->Strings();
  Core->SavePhoneClick();
}

void TForm1::AddToSIMClick() {
  Core->PhoneBookLines = PhoneBook1->Strings();
  Core->AddToSIMClick();
}

void TForm1::ButtonLoadSMSClick() { Core->ButtonLoadSMSClick(); }
void TForm1::ButtonSaveSMSClick() { Core->ButtonSaveSMSClick(); }
void TForm1::ButtonDeleteSMSClick() { Core->ButtonDeleteSMSClick(); }
void TForm1::Timer1Timer() { Core->Timer1Timer(); }
void TForm1::LockButtons() { Core->LockButtons(); }
void TForm1::UnlockButtons() { Core->UnlockButtons(); }

void TForm1::RelAChange() { Core->SetRelayA(RelA->text()); }

void TForm1::SavClick() {
  const QString fileName =
      Env.dialogs->saveFile(FileFilter(Messages.AdmissionFiles, QStringLiteral("*.csv")));
  if (fileName.isEmpty()) return;
  Core->Sink.Replace(fileName, AdmissionFileBytes(fileName, GridRows(*AdmisRec)));
  Core->AdmissionsSaved();
}

// ---- what the core shows ----

void TForm1::StatusChanged(Status what) {
  switch (what) {
    case Status::Busy:
      showBusy();
      break;
    case Status::SimButtons:
      for (QPushButton* b : SimButtons) b->setEnabled(Core->SimButtonsOn);
      break;
    case Status::ProgressMaximum:
      Prubeh->setMaximum(Core->Progress.maximum);
      break;
    case Status::ProgressPosition:
      Prubeh->setValue(Core->Progress.position);
      break;
    case Status::ProgressShown:
      Prubeh->setVisible(Core->Progress.shown);
      break;
    case Status::Transfer:
      showAnimation(Prenos, Core->TransferShown);
      break;
    case Status::Waiting:
      showAnimation(Cekani, Core->WaitingShown);
      break;
    case Status::Led:
      // Shown as data comes in; an error line turns it red where it stands.
      if (Core->LedState == Led::Off) {
        LED->hide();
      } else if (Core->LedState == Led::Data) {
        LED->show();
        LED->SetBrushColor(QColor(0xFF, 0xFF, 0x00));
      } else {
        LED->SetBrushColor(QColor(0xFF, 0x00, 0x00));
      }
      break;
    case Status::Operator:
      if (PortLost) break;
      StatusBar1->SetPanelText(
          0, Words.Operator + QLatin1Char(' ') + QString::fromLatin1(Link.OperatorName));
      ShowPort();
      break;
    case Status::Centre:
      if (!PortLost) StatusBar1->SetPanelText(1, Words.Centre + QLatin1Char(' ') + Core->Centre);
      break;
    case Status::Size:
      if (PortLost) break;
      StatusBar1->SetPanelText(
          2, Words.Sim + QLatin1Char(' ') + QString::number(Link.PhoneBookCapacity));
      break;
    case Status::Signal:
      Smeter->SetForeColor(QColor::fromRgb(SignalColour(Link.SignalLevel)));
      Smeter->SetPosition(Link.SignalLevel);
      break;
    case Status::Countdown:
      Gauge1->SetPosition(Core->Countdown);
      break;
    case Status::Info:
      ClearInfo();
      break;
    case Status::PortBack:
      // What the box about the lost port tells no longer holds.
      Boxes->dismiss(PortLostBox);
      ShowPortLost(false);
      break;
  }
}

void TForm1::LineReceived(const QByteArray& line) { Monitor->AppendLine(line); }

void TForm1::PhoneBookChanged(BookChange change) {
  const QStringList& lines = Core->PhoneBookLines;
  switch (change) {
    case BookChange::Home:
      PhoneBook1->SetRow(1);
      return;
    case BookChange::Replaced:
      PhoneBook1->SetStrings(lines);
      return;
    case BookChange::FirstEntry:
      PhoneBook1->SetStrings({lines.last()});
      break;
    case BookChange::Entry:
      PhoneBook1->AddLine(lines.last());
      break;
  }
  Numbers->setText(QString::number(PhoneBook1->RowCount() - 1));
  const QString& entry = lines.last();
  const int eq = int(entry.indexOf(QLatin1Char('=')));
  const int reserved = ReservedNameIndex(entry.left(eq).toLatin1());
  if (reserved >= 0) infoLabel(*this, reserved)->setText(entry.mid(eq + 1));
}

void TForm1::SmsPairChanged(int pair, bool phone) {
  // The edit's change handler filters it, and gives the filtered text back to the core.
  if (phone)
    SmsPhones[pair]->setText(Core->Pairs[pair].phone);
  else
    SmsTexts[pair]->setText(Core->Pairs[pair].text);
}

void TForm1::SmsListChanged(bool emptied, const QByteArray& added) {
  if (emptied) SMSs->clear();
  if (added.isEmpty()) return;
  // The memo takes the list as one running text in which a carriage return is a line break.
  // Appending at the end keeps what is already there exactly as it was.
  QTextCursor end(SMSs->document());
  end.movePosition(QTextCursor::End);
  end.insertText(QString::fromLatin1(added));
}

void TForm1::AdmissionsChanged(LogChange change) {
  loggingBack_ = true;
  if (change == LogChange::Added)
    AdmisRec->AddLine(Core->AdmissionLines.last());
  else
    AdmisRec->SetStrings(Core->AdmissionLines);
  loggingBack_ = false;
}

QString TForm1::ChainName(Chain chain) const {
  const QPushButton* const buttons[] = {nullptr,       LoadPHONE,     SavePhone,      AddToSIM,
                                        ButtonLoadSMS, ButtonSaveSMS, ButtonDeleteSMS};
  return chain == Chain::None ? QString() : buttons[int(chain)]->text();
}

// ---- what the core tells ----

// Every box of the unit's lines, the tick or a lost port (the core's notices, and the window's
// own, such as the entry check's as the read fills the grid) is shown once that work has ended,
// one after another and one per error kind; what a click raises is shown at once.
void TForm1::UnattendedWork(bool begins) {
  if (begins)
    Boxes->beginUnattended();
  else
    Boxes->endUnattended();
}

void TForm1::Told(const Notice& notice) {
  switch (notice.kind) {
    case Notice::Kind::ChainEnded: {
      if (notice.text.isEmpty()) return;
      // Never inside the core's handler: the box's own event loop must not run the program
      // behind a half-done step.
      DeferredDialogs::Unattended after(*Boxes);
      Env.dialogs->message(notice.text);
      return;
    }
    case Notice::Kind::Error:
      ReportError(notice.text, notice.errorKind);
      return;
    case Notice::Kind::PortLost:
      ShowPortLost(true);
      ReportError(notice.text, QStringLiteral("port lost"), PortLostBox);
      return;
    case Notice::Kind::NoCommunication:
      // Asked once the tick has returned; the line and the ticks go on behind it, and while it
      // stands it is not asked again (DeferredDialogs answers No).
      QMetaObject::invokeMethod(
          this,
          [this, notice] {
            if (Env.dialogs->question(notice.caption, notice.text)) Core->ChoosePortAgain();
          },
          Qt::QueuedConnection);
      return;
  }
}

// ---- the port ----

void TForm1::ShowPort() {
  const int n = ComPort1->ComNumber();
  QString port;
  if (n != 0) {
    const QString device =
        PortDeviceName(n, {QFileInfo(Env.programFile).absolutePath(), Env.configDir});
    port = device.isEmpty() ? Core->PortName()
                            : QStringLiteral("%1 (%2)").arg(Core->PortName(), device);
    if (PortLost) port += QStringLiteral(": ") + Messages.PortLost;
  }
  const QString text = port.isEmpty() ? QString() : QString(PortHint).arg(port);
  StatusBar1->setToolTip(text);
  StatusBar1->setAccessibleDescription(text);
  // The indicator's own hint first: it is what the settings file holds for it.
  const QString hint = LED->property(StoredHintProperty).toString();
  LED->setToolTip(text.isEmpty() || hint.isEmpty() ? hint + text : hint + QLatin1Char('\n') + text);
  LED->setAccessibleDescription(text);
}

void TForm1::ShowPortLost(bool lost) {
  if (PortLost == lost) return;
  PortLost = lost;
  if (lost) {
    // Operator, SMS centre, SIM size and signal were the unit's behind that port: not shown as
    // if they still held.
    StatusBar1->SetPanelText(0, QStringLiteral(" %1: %2").arg(Core->PortName(), Messages.PortLost));
    StatusBar1->SetPanelText(1, QLatin1Char(' ') + Words.Centre);
    StatusBar1->SetPanelText(2, QLatin1Char(' ') + Words.Sim);
    Smeter->SetPosition(0);
  } else {
    // Back: what the core knows until the unit tells it afresh (the next report asks).
    const auto panel = [](const QString& word, const QString& value) {
      return value.isEmpty() ? QLatin1Char(' ') + word : word + QLatin1Char(' ') + value;
    };
    StatusBar1->SetPanelText(0, panel(Words.Operator, QString::fromLatin1(Link.OperatorName)));
    StatusBar1->SetPanelText(1, panel(Words.Centre, Core->Centre));
    StatusBar1->SetPanelText(
        2, panel(Words.Sim, Link.PhoneBookCapacity <= 0 ? QString()
                                                        : QString::number(Link.PhoneBookCapacity)));
    Smeter->SetPosition(Link.SignalLevel);
  }
  ShowPort();
}
