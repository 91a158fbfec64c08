// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/MessageTexts.h"

#include <string_view>

#include "settings/PluralForms.h"
#include "settings/SettingBindings.h"

SectionBindings MessageBindings(MessageTexts& m) {
  return {
      bindVariable("Incorrect International format", m.IncorrectInternationalFormat),
      bindVariable("Incorrect number", m.IncorrectNumber),
      bindVariable("Number exceed limit", m.NumberExceedLimit),
      bindVariable("Number under limit", m.NumberUnderLimit),
      bindVariable("Number too long", m.NumberTooLong),
      bindVariable("Incorrect name", m.IncorrectName),
      bindVariable("Too long name", m.TooLongName),
      bindVariable("Communication", m.Communication),
      bindVariable("Not finished", m.NotFinished),
      bindVariable("No port chosen", m.NoPortChosen),
      bindVariable("No answer", m.NoAnswer),
      bindVariable("Refused every time", m.RefusedEveryTime),
      bindVariable("Port lost", m.PortLost),
      bindVariable("Grid kept", m.GridKept),
      bindVariable("Nothing erased", m.NothingErased),
      bindVariable("Partly erased", m.PartlyErased),
      bindVariable("Every row written", m.EveryRowWritten),
      bindVariable("Rows may be missing", m.RowsMayBeMissing),
      bindVariable("SMS list incomplete", m.SmsListIncomplete),
      bindVariable("Every SMS saved", m.EverySmsSaved),
      bindVariable("SMS may be missing", m.SmsMayBeMissing),
      bindVariable("SMS left from slot", m.SmsLeftFromSlot),
      bindVariable("Rows not written", m.RowsNotWritten),
      bindVariable("Entries not erased", m.EntriesNotErased),
      bindVariable("No free entry", m.NoFreeEntry),
      bindVariable("Hidden in last entry", m.HiddenInLastEntry),
      bindVariable("SMS not saved", m.SmsNotSaved),
      bindVariable("SMS not deleted", m.SmsNotDeleted),
      bindVariable("Not verified", m.NotVerified),
      bindVariable("SMS not verified", m.SmsNotVerified),
      bindVariable("And more", m.AndMore),
      bindVariable("Not loaded", m.NotLoaded),
      bindVariable("Not pasted", m.NotPasted),
      bindVariable("No entry", m.NoEntry),
      bindVariable("Quote not closed", m.QuoteNotClosed),
      bindVariable("Cell too long", m.CellTooLong),
      bindVariable("Equals in name", m.EqualsInName),
      bindVariable("Numbers spoilt", m.NumbersSpoilt),
      bindVariable("Prefix may be lost", m.PrefixMayBeLost),
      bindVariable("Take as they are", m.TakeAsTheyAre),
      bindVariable("Not a file to load", m.NotAFileToLoad),
      bindVariable("Records not saved", m.RecordsNotSaved),
      bindVariable("Write running", m.WriteRunning),
      bindVariable("Save records", m.SaveRecords),
      bindVariable("Close anyway", m.CloseAnyway),
      bindVariable("Do not close", m.DoNotClose),
      bindVariable("Records kept", m.RecordsKept),
      bindVariable("PhoneBook files", m.PhoneBookFiles),
      bindVariable("Spreadsheet", m.SpreadsheetFiles),
      bindVariable("SMS files", m.SmsFiles),
      bindVariable("Monitor files", m.MonitorFiles),
      bindVariable("Admission files", m.AdmissionFiles),
      bindVariable("Cannot open file", m.CannotOpenFile),
      bindVariable("Cannot create file", m.CannotCreateFile),
      bindVariable("Cannot write file", m.CannotWriteFile),
      bindVariable("File not found", m.FileNotFound),
      bindVariable("Invalid filename", m.InvalidFilename),
      bindVariable("Too many open files", m.TooManyOpenFiles),
      bindVariable("File access denied", m.FileAccessDenied),
      bindVariable("Disk full", m.DiskFull),
      bindVariable("I/O error", m.InOutError),
      bindVariable("Not a text file", m.NotATextFile),
      bindVariable("File too large", m.FileTooLarge),
      bindVariable("ComNumber not set", m.ComNumberNotSet),
      bindVariable("No such port", m.NoSuchPort),
      bindVariable("Device already open", m.DeviceAlreadyOpen),
      bindVariable("Permission denied", m.PermissionDenied),
      bindVariable("Output buffer too small", m.OutputBufferTooSmall),
      bindVariable("Block not put", m.BlockNotPut),
      bindVariable("Buffer is empty", m.BufferIsEmpty),
      bindVariable("Port gone", m.PortGone),
      bindVariable("Unable to write", m.UnableToWrite),
      bindVariable("Not in charset", m.NotInCharset),
      bindVariable("Written in UTF-8", m.WrittenInUtf8),
      bindVariable("Not a date", m.NotADate),
      bindVariable("Not an integer", m.NotAnInteger),
      bindVariable("Out of range", m.OutOfRange),
      bindVariable("Contacts loaded", m.ContactsLoaded),
      bindVariable("Names made", m.NamesMade),
      bindVariable("Named as", m.NamedAs),
      bindVariable("Named as reserved", m.NamedAsReserved),
      bindVariable("Contacts left out", m.ContactsLeftOut),
      bindVariable("No phone number", m.NoPhoneNumber),
      bindVariable("Not a phone number", m.NotAPhoneNumber),
      bindVariable("Number longer", m.NumberLonger),
      bindVariable("No name", m.NoName),
      bindVariable("No contact", m.NoContact),
      bindVariable("Not a vCard", m.NotAVCard),
      bindVariable("vCard not ended", m.VCardNotEnded),
      bindVariable("Row fault", m.RowFault),
      bindVariable("Number without name", m.NumberWithoutName),
      bindVariable("Relay time digits", m.RelayTimeDigits),
      bindVariable("Not reserved name", m.NotReservedName),
      bindVariable("Entry written over", m.EntryWrittenOver),
      bindVariable("Rows with faults", m.RowsWithFaults),
      bindVariable("Faulty rows", m.FaultyRows),
      bindVariable("Erase anyway", m.EraseAnyway),
      bindVariable("Nothing sent", m.NothingSent),
      bindVariable("Rows held", m.RowsHeld),
      bindVariable("Backup written", m.BackupWritten),
      bindVariable("Waiting for report", m.WaitingForReport),
      bindVariable("Waiting for window", m.WaitingForWindow),
      bindVariable("File not written", m.FileNotWritten),
      bindVariable("No link", m.NoLink),
      bindVariable("Rows read", m.RowsRead),
      bindVariable("Entries erased", m.EntriesErased),
      bindVariable("Rows written", m.RowsWritten),
      bindVariable("Rows read back", m.RowsReadBack),
      bindVariable("SMS read", m.SmsRead),
      bindVariable("Slots freed", m.SlotsFreed),
      bindVariable("Pairs saved", m.PairsSaved),
      bindVariable("Slots deleted", m.SlotsDeleted),
      bindVariable("Contact files", m.ContactFiles),
      bindVariable("Line break in line", m.LineBreakInLine),
  };
}

MessageTexts::MessageTexts() {
  const SettingsSection& section = SettingsSections[2];
  for (SettingBinding& b : MessageBindings(*this)) {
    for (int i = 0; i < section.keyCount; ++i)
      if (std::string_view(section.keys[i].key) == b.key)
        b.set.front()(QString::fromLatin1(section.keys[i].text));
  }
}

QString MessageTexts::Counted(const QString& text, qint64 count) const {
  return WithPluralForms(text, count, Language);
}

namespace {
MessageTexts& errorTexts() {
  static MessageTexts texts;
  return texts;
}
}  // namespace

const MessageTexts& ErrorTexts() { return errorTexts(); }

void SetErrorTexts(const MessageTexts& texts) { errorTexts() = texts; }
