// The PC buttons: phone book, SMS and monitor files.
#include <QLabel>
#include <QLineEdit>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "files/PhoneBookFile.h"
#include "files/TextFiles.h"
#include "phonebook/NameValueGrid.h"
#include "platform/Dialogs.h"

namespace {
const QString PhoneBookFilter = QStringLiteral("PhoneBook files (*.phb)");
const QString SmsFilter = QStringLiteral("SMS files (*.sms)");
const QString MonitorFilter = QStringLiteral("Monitor files (*.mon)");
}  // namespace

void TForm1::LoadSIMPCClick() {
  PhoneBook1->SetRow(1);
  const QString name = Env.dialogs->openFile(PhoneBookFilter);
  if (!name.isEmpty()) PhoneBook1->SetStrings(ReadPhoneBookFile(name));
  Numbers->setText(QString::number(PhoneBook1->RowCount() - 1));
  ClearInfo();
}

void TForm1::SaveSIMPCClick() {
  const QString name = Env.dialogs->saveFile(PhoneBookFilter);
  if (name.isEmpty()) return;
  WritePhoneBookFile(name, PhoneBook1->Strings());
}

void TForm1::LoadSMSPCClick() {
  const QString name = Env.dialogs->openFile(SmsFilter);
  if (name.isEmpty()) return;
  const std::optional<QStringList> lines = ReadSmsFile(name);
  if (!lines) return;
  // Each edit's change handler filters what is set into it.
  for (int k = 0; k < 6; ++k) {
    SmsPhones[k]->setText(lines->at(2 * k));
    SmsTexts[k]->setText(lines->at(2 * k + 1));
  }
}

void TForm1::SaveSMSPCClick() {
  const QString name = Env.dialogs->saveFile(SmsFilter);
  if (name.isEmpty()) return;
  QStringList fields;
  for (int k = 0; k < 6; ++k) fields << SmsPhones[k]->text() << SmsTexts[k]->text();
  WriteSmsFile(name, fields);
}

void TForm1::SaveMonitorClick() {
  const QString name = Env.dialogs->saveFile(MonitorFilter);
  if (name.isEmpty()) return;
  // The unit's bytes, as they came.
  WriteWholeFile(name, Monitor->FileBytes(), FileErrors::NameAndReason);
}
