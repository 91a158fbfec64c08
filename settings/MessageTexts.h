// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The message texts of the settings file's [Messages] section, named by their keys
// (MessageBindings in settings/SettingBindings.h reads and writes them).
#include <QString>

struct MessageTexts {
  QString IncorrectInternationalFormat;
  QString IncorrectNumber;
  QString NumberExceedLimit;
  QString NumberUnderLimit;
  QString NumberTooLong;
  QString IncorrectName;
  QString TooLongName;
  QString Communication;
  QString NotFinished;
  QString NoPortChosen;
  QString NoAnswer;
  QString RefusedEveryTime;
  QString PortLost;
  QString GridKept;
  QString NothingErased;
  QString PartlyErased;
  QString EveryRowWritten;
  QString RowsMayBeMissing;
  QString SmsListIncomplete;
  QString EverySmsSaved;
  QString SmsMayBeMissing;
  QString SmsLeftFromSlot;
  QString RowsNotWritten;
  QString EntriesNotErased;
  QString NoFreeEntry;
  QString HiddenInLastEntry;
  QString SmsNotSaved;
  QString SmsNotDeleted;
  QString NotVerified;
  QString SmsNotVerified;
  QString AndMore;
  // What keeps a spreadsheet's text out of the phone book.
  QString NotLoaded;
  QString NotPasted;
  QString NoEntry;
  QString QuoteNotClosed;
  QString CellTooLong;
  QString EqualsInName;
  QString NumbersSpoilt;
  QString PrefixMayBeLost;
  QString TakeAsTheyAre;
  QString NotAFileToLoad;
  // Closing: what would be lost, and the records an end that could not be refused put aside.
  QString RecordsNotSaved;
  QString WriteRunning;
  QString SaveRecords;
  QString CloseAnyway;
  QString DoNotClose;
  QString RecordsKept;

  // The built-in texts, as a start without a settings file has them.
  MessageTexts();
};
