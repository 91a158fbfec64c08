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
  // The file dialogs' filters (FileFilter puts back a pattern a translation dropped).
  QString PhoneBookFiles;
  QString SpreadsheetFiles;
  QString SmsFiles;
  QString MonitorFiles;
  QString AdmissionFiles;
  // Errors raised below the faces: through ErrorTexts().
  QString CannotOpenFile;
  QString CannotCreateFile;
  QString CannotWriteFile;
  QString FileNotFound;
  QString InvalidFilename;
  QString TooManyOpenFiles;
  QString FileAccessDenied;
  QString DiskFull;
  QString InOutError;
  QString NotATextFile;
  QString FileTooLarge;
  QString ComNumberNotSet;
  QString NoSuchPort;
  QString DeviceAlreadyOpen;
  QString PermissionDenied;
  QString OutputBufferTooSmall;
  QString BlockNotPut;
  QString BufferIsEmpty;
  QString PortGone;
  QString UnableToWrite;
  QString NotInCharset;
  QString WrittenInUtf8;
  QString NotADate;
  QString NotAnInteger;
  QString OutOfRange;

  // The language the texts are in ("cs"; empty: English), which decides the form a count
  // takes. Not a key of [Messages]: whoever reads the file sets it (TextsLanguage).
  QString Language;

  // What became of a vCard file's contacts, and what keeps such a file out of the phone book.
  QString ContactsLoaded;
  QString NamesMade;
  QString NamedAs;
  QString NamedAsReserved;
  QString ContactsLeftOut;
  QString NoPhoneNumber;
  QString NotAPhoneNumber;
  QString NumberLonger;
  QString NoName;
  QString NoContact;
  QString NotAVCard;
  QString VCardNotEnded;
  // The whole phone book checked before a write, and the command line's own words.
  QString RowFault;
  QString NumberWithoutName;
  QString RelayTimeDigits;
  QString NotReservedName;
  QString EntryWrittenOver;
  QString RowsWithFaults;
  QString FaultyRows;
  QString EraseAnyway;
  QString NothingSent;
  QString RowsHeld;
  QString BackupWritten;
  QString WaitingForReport;
  QString WaitingForWindow;
  QString FileNotWritten;
  QString NoLink;
  QString RowsRead;
  QString EntriesErased;
  QString RowsWritten;
  QString RowsReadBack;
  QString SmsRead;
  QString SlotsFreed;
  QString PairsSaved;
  QString SlotsDeleted;
  QString ContactFiles;
  QString LineBreakInLine;

  // The built-in texts, as a start without a settings file has them.
  MessageTexts();

  // text with its groups ("{record|records}") in the form count takes in Language; fill the
  // placeholders afterwards.
  QString Counted(const QString& text, qint64 count) const;
};

// The texts of the errors that the files, the serial port and the settings file raise, where no
// face is at hand to ask: the built-in ones until a face puts the settings file's there.
const MessageTexts& ErrorTexts();
void SetErrorTexts(const MessageTexts& texts);
