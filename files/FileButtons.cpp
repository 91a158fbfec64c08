// SPDX-License-Identifier: GPL-3.0-or-later
// The PC buttons: phone book, SMS and monitor files.
#include <QLabel>
#include <QLineEdit>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "files/PhoneBookFile.h"
#include "files/PhoneBookSheet.h"
#include "files/PhoneBookVCard.h"
#include "files/TextFiles.h"
#include "link/Answers.h"
#include "phonebook/NameValueGrid.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

namespace {
// The file's name decides its format: the dialogs add the chosen filter's extension.
QString phoneBookFilters(const MessageTexts& m) {
  return FileFilter(m.PhoneBookFiles, QStringLiteral("*.phb")) + QStringLiteral(";;") +
         FileFilter(m.SpreadsheetFiles, QStringLiteral("*.csv")) + QStringLiteral(";;") +
         FileFilter(m.ContactFiles, QStringLiteral("*.vcf"));
}
QString smsFilter(const MessageTexts& m) { return FileFilter(m.SmsFiles, QStringLiteral("*.sms")); }
QString monitorFilter(const MessageTexts& m) {
  return FileFilter(m.MonitorFiles, QStringLiteral("*.mon"));
}
}  // namespace

void TForm1::LoadSIMPCClick() { LoadPhoneBook(Env.dialogs->openFile(phoneBookFilters(Messages))); }

void TForm1::LoadPhoneBook(const QString& fileName) {
  PhoneBook1->SetRow(1);
  QString report;  // what a vCard's contacts became
  if (IsSpreadsheetFile(fileName)) {
    const SheetEntries entries = ReadPhoneBookCsv(fileName);
    const QString fault = SheetFaultText(entries);
    if (!fault.isEmpty()) throw EFileError(Messages.NotLoaded.arg(fileName, fault));
    // Declined: as a cancelled dialog.
    if (TakeUnprefixed(entries)) PhoneBook1->SetStrings(entries.lines);
  } else if (IsVCardFile(fileName)) {
    PhoneBook1->SetStrings(ReadPhoneBookVcf(fileName, Messages, MaxLengthNumber, &report));
  } else if (!fileName.isEmpty()) {
    PhoneBook1->SetStrings(ReadPhoneBookFile(fileName));
  }
  Numbers->setText(QString::number(PhoneBook1->RowCount() - 1));
  ClearInfo();
  // Told over the grid as it now stands.
  if (!report.isEmpty()) Env.dialogs->message(report);
}

QString TForm1::SheetFaultText(const SheetEntries& e) const {
  switch (e.fault) {
    case SheetFault::None:
      break;
    case SheetFault::NoEntry:
      return Messages.NoEntry;
    case SheetFault::OpenQuote:
      return Messages.QuoteNotClosed.arg(e.row);
    case SheetFault::LongCell:
      return Messages.CellTooLong.arg(e.row).arg(e.length).arg(MaxSheetCellLength);
    case SheetFault::EqualsInName:
      return Messages.EqualsInName.arg(e.row);
    case SheetFault::NumbersSpoilt:
      return FirstItems(Messages.NumbersSpoilt, e.items, Messages);
  }
  return QString();
}

bool TForm1::TakeUnprefixed(const SheetEntries& e) {
  if (e.items.isEmpty()) return true;
  return Env.dialogs->question(QStringLiteral("ZUL Set"),
                               FirstItems(Messages.PrefixMayBeLost, e.items, Messages) +
                                   QStringLiteral("\n\n") +
                                   Messages.Counted(Messages.TakeAsTheyAre, e.items.size()));
}

void TForm1::SaveSIMPCClick() {
  const QString name = Env.dialogs->saveFile(phoneBookFilters(Messages));
  if (name.isEmpty()) return;
  if (IsSpreadsheetFile(name))
    WritePhoneBookCsv(name, PhoneBook1->Strings(), PhoneBook1->Title(0), PhoneBook1->Title(1));
  else if (IsVCardFile(name))
    WritePhoneBookVcf(name, PhoneBook1->Strings());
  else
    WritePhoneBookFile(name, PhoneBook1->Strings());
}

void TForm1::LoadSMSPCClick() {
  const QString name = Env.dialogs->openFile(smsFilter(Messages));
  if (!name.isEmpty()) LoadSmsFile(name);
}

void TForm1::LoadSmsFile(const QString& name) {
  const std::optional<QStringList> lines = ReadSmsFile(name);
  if (!lines) return;
  // Each edit's change handler filters what is set into it.
  for (int k = 0; k < 6; ++k) {
    SmsPhones[k]->setText(lines->at(2 * k));
    SmsTexts[k]->setText(lines->at(2 * k + 1));
  }
}

void TForm1::SaveSMSPCClick() {
  const QString name = Env.dialogs->saveFile(smsFilter(Messages));
  if (name.isEmpty()) return;
  QStringList fields;
  for (int k = 0; k < 6; ++k) fields << SmsPhones[k]->text() << SmsTexts[k]->text();
  WriteSmsFile(name, fields);
}

void TForm1::SaveMonitorClick() {
  const QString name = Env.dialogs->saveFile(monitorFilter(Messages));
  if (name.isEmpty()) return;
  // The unit's bytes, as they came.
  WriteWholeFile(name, Monitor->FileBytes(), FileErrors::NameAndReason);
}
