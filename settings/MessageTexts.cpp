// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/MessageTexts.h"

#include <string_view>

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
