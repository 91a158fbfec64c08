// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keys of the settings file with their built-in values, section by section, in the order
// they are written. Where a section is read in another order, its read order is listed too.
#include <iterator>

enum class SettingKind { Integer, Boolean, Text };

struct SettingKey {
  const char* key;
  SettingKind kind;
  const char* text;  // built-in text (Text)
  int number;        // built-in value (Integer, Boolean)
};

// One read of a key. target picks which of the key's controls takes the value; -1: all of them,
// first to last (a hint read into its first control and copied to the others).
struct SettingRead {
  const char* key;
  int target;
};

struct SettingsSection {
  const char* name;
  const SettingKey* keys;  // write order
  int keyCount;
  const SettingRead* reads;  // nullptr: the write order, each key to all its controls
  int readCount;
};

namespace texts {

constexpr SettingKey integer(const char* key, int value) {
  return {key, SettingKind::Integer, "", value};
}
constexpr SettingKey boolean(const char* key, bool value) {
  return {key, SettingKind::Boolean, "", value ? 1 : 0};
}
constexpr SettingKey text(const char* key, const char* value) {
  return {key, SettingKind::Text, value, 0};
}
// A caption whose built-in text is its key.
constexpr SettingKey caption(const char* key) { return text(key, key); }

inline constexpr SettingKey Form[] = {
    integer("Top", 200),      integer("Left", 200),     integer("MaxLengthNumber", 13),
    boolean("SMS4", false),   boolean("SMS5", false),   boolean("SMS6", false),
    text("RelA", "OUTPUT A"), text("RelB", "OUTPUT B"), text("File", "admiss"),
};

// "Load" goes to LoadSMSPC (0) and LoadSIMPC (1); "Save" to SaveSMSPC (0), SaveSIMPC (1) and
// SaveMonitor (2). The first control named is the one written back.
inline constexpr SettingKey Language[] = {
    text("Language", "Eng"),
    caption("SMS Start:"),
    caption("SMS Input1:"),
    caption("SMS Input2:"),
    caption("SMS blank1:"),
    caption("SMS blank2:"),
    caption("SMS blank3:"),
    caption("Phone:"),
    caption("Text:"),
    caption("Signal strength"),
    caption("Find"),
    caption("Find Next"),
    caption("Sort"),
    caption("Phone Book in SIM"),
    caption("Load SIM"),
    caption("Overwrite SIM"),
    caption("Add To SIM"),
    caption("Load SMSs"),
    caption("Save SMSs"),
    caption("Delete SMSs"),
    caption("SMSs in SIM"),
    caption("Load"),
    caption("Save"),
    caption("PHONE"),
    caption("SMS"),
    caption("MONITOR"),
    caption("Verify Phone Book"),
    caption("Autoverify"),
    // The context menu of the grids.
    caption("Copy"),
    caption("Paste"),
    caption("Undo"),
    // The language the texts are in: their plural forms and Qt's own dialogs follow it. Empty:
    // the one the Language label names.
    text("Locale", ""),
    caption("ADMISSIONS"),
    caption("SIM"),
    caption("PC"),
    caption("Info"),
    // The grids' column titles ("Name column" heads the names of both grids).
    text("Name column", "Name"),
    text("Phone column", "Phone"),
    text("Date column", "Date"),
    caption("Relay A"),
    caption("Relay B"),
    caption("Storage Records"),
    caption("Automatically per day"),
    caption("to file:"),
    text("Save admissions", "Save"),
    caption("default [3s]"),
    // The status bar: "Operator: " and the operator, "Ver: 3.0  " and Language.
    caption("Operator:"),
    caption("SMS centrum:"),
    caption("SIM:"),
    caption("Ver:"),
    // "Select Port". OK and Cancel caption those buttons of Qt's boxes and dialogs too, as Yes
    // and No do ("&" before the letter that Alt takes).
    caption("Select Port"),
    caption("The configured serial port is not valid."),
    caption("Please choose another port."),
    caption("OK"),
    caption("Cancel"),
    text("Yes", "&Yes"),
    text("No", "&No"),
    // The types of Qt's file dialogs.
    caption("Folder"),
    text("File without type", "File"),
    caption("Drive"),
    text("File of type", "%1 File"),
    // The monitor's context menu (its Copy is the grids' "Copy").
    caption("Select All"),
    // What a screen reader calls the indicators, and the traffic indicator's states.
    caption("Link countdown"),
    caption("Traffic indicator"),
    text("Traffic off", "off"),
    text("Traffic data", "yellow"),
    text("Traffic error", "red"),
    caption("Transfer"),
    caption("Transfer progress"),
    caption("Waiting for the unit"),
    // The MONITOR page: the time of each line, and clearing it ("Find" is the PHONE page's).
    caption("Time"),
    caption("Clear"),
};

inline constexpr SettingRead LanguageReads[] = {
    {"Language", -1},
    {"SMS Start:", -1},
    {"SMS Input1:", -1},
    {"SMS Input2:", -1},
    {"SMS blank1:", -1},
    {"SMS blank2:", -1},
    {"SMS blank3:", -1},
    {"Phone:", -1},
    {"Text:", -1},
    {"Signal strength", -1},
    {"Autoverify", -1},
    {"Verify Phone Book", -1},
    {"Find", -1},
    {"Find Next", -1},
    {"Sort", -1},
    {"Phone Book in SIM", -1},
    {"Load SIM", -1},
    {"Overwrite SIM", -1},
    {"Add To SIM", -1},
    {"Load SMSs", -1},
    {"Save SMSs", -1},
    {"Delete SMSs", -1},
    {"SMSs in SIM", -1},
    {"Load", 0},  // LoadSMSPC
    {"Save", 1},  // SaveSIMPC
    {"Load", 1},  // LoadSIMPC
    {"Save", 0},  // SaveSMSPC
    {"Save", 2},  // SaveMonitor
    {"PHONE", -1},
    {"SMS", -1},
    {"MONITOR", -1},
    {"Copy", -1},
    {"Paste", -1},
    {"Undo", -1},
    // The keys added since are read in write order: each goes here as it goes into the table.
    {"Locale", -1},
    {"ADMISSIONS", -1},
    {"SIM", -1},
    {"PC", -1},
    {"Info", -1},
    {"Name column", -1},
    {"Phone column", -1},
    {"Date column", -1},
    {"Relay A", -1},
    {"Relay B", -1},
    {"Storage Records", -1},
    {"Automatically per day", -1},
    {"to file:", -1},
    {"Save admissions", -1},
    {"default [3s]", -1},
    {"Operator:", -1},
    {"SMS centrum:", -1},
    {"SIM:", -1},
    {"Ver:", -1},
    {"Select Port", -1},
    {"The configured serial port is not valid.", -1},
    {"Please choose another port.", -1},
    {"OK", -1},
    {"Cancel", -1},
    {"Yes", -1},
    {"No", -1},
    {"Folder", -1},
    {"File without type", -1},
    {"Drive", -1},
    {"File of type", -1},
    {"Select All", -1},
    {"Link countdown", -1},
    {"Traffic indicator", -1},
    {"Traffic off", -1},
    {"Traffic data", -1},
    {"Traffic error", -1},
    {"Transfer", -1},
    {"Transfer progress", -1},
    {"Waiting for the unit", -1},
    {"Time", -1},
    {"Clear", -1},
};

inline constexpr SettingKey Messages[] = {
    caption("Incorrect International format"),
    caption("Incorrect number"),
    caption("Number exceed limit"),
    caption("Number under limit"),
    caption("Number too long"),
    caption("Incorrect name"),
    caption("Too long name"),
    text("Communication", "No communication, change com?"),
    // What a command chain that could not finish, or a write that left something out, tells.
    text("Not finished", "%1 was not finished: %2."),
    text("No port chosen", "no port is chosen"),
    text("No answer", "the unit did not answer for %1 s"),
    text("Refused every time", "the unit answered every command with ERROR"),
    text("Port lost", "the port was lost"),
    text("Grid kept", "The grid holds what it held before."),
    text("Nothing erased", "Nothing was erased or written."),
    text("Partly erased", "The SIM phone book may be partly erased; nothing was written."),
    text("Every row written", "Every row was written."),
    text("Rows may be missing", "{This row|These rows} may not be on the SIM (%1):"),
    text("SMS list incomplete", "The SMS list is incomplete."),
    text("Every SMS saved", "Every SMS was saved."),
    text("SMS may be missing", "{This SMS|These SMS} may not be on the SIM (%1):"),
    text("SMS left from slot", "The SMS from slot %1 on were not deleted."),
    text("Rows not written", "Not written to the SIM (%1):"),
    text("Entries not erased", "The SIM refused to erase {entry|entries} %1."),
    text("No free entry", "No entry known to be free was left for them: entry %1 is kept for OUT."),
    text("Hidden in last entry",
         "Entry %1 of the SIM, kept for OUT, holds %2: Load SIM does not show it and Overwrite "
         "SIM does not erase it; an OUT row written to the SIM takes its place."),
    text("SMS not saved", "Not saved to the SIM (%1):"),
    text("SMS not deleted", "Not deleted from the SIM (%1):"),
    text("Not verified", "The SIM phone book could not be read back: the grid keeps what it held."),
    text("SMS not verified",
         "The SMS on the SIM could not be listed: the edits keep what they held."),
    text("And more", "and %1 more."),
    // What keeps a spreadsheet's text (a .csv file, the clipboard) out of the phone book.
    text("Not loaded", "\"%1\" was not loaded: %2"),
    text("Not pasted", "Nothing was pasted: %1"),
    text("No entry", "it holds no row with a name or a number"),
    text("Quote not closed", "the quotation mark that opens a cell in row %1 is never closed"),
    text("Cell too long", "row %1 holds a cell of %2 characters; a cell takes at most %3"),
    text("Equals in name", "the name in row %1 holds \"=\", which no name can"),
    text("Numbers spoilt",
         "a spreadsheet has shown {this phone number as a number|these phone numbers as "
         "numbers} in scientific form and lost digits; format {its|their} column as text and "
         "type {it|them} again (%1):"),
    text("Prefix may be lost",
         "A spreadsheet that took {this phone number for a number|these phone numbers for "
         "numbers} may have dropped {its|their} \"+\" or leading zeros (%1):"),
    text("Take as they are", "Take {it as it is|them as they are}?"),
    text("Not a file to load",
         "\"%1\" is not a phone book (.phb, .csv, .vcf) or an SMS file (.sms)."),
    // Closing: the question when something would be lost, and the records an end that could
    // not be refused put aside.
    text("Records not saved",
         "The admission log holds %1 {record that is|records that are} in no file yet."),
    text("Write running", "%1 is not finished; closing now leaves the SIM half done."),
    text("Save records", "Save the records..."),
    text("Close anyway", "Close anyway"),
    text("Do not close", "Do not close"),
    text("Records kept",
         "The program was ended before the admission records were saved; they are in %1."),
    // The file dialogs' filters. A translation that drops the pattern in brackets gets it
    // back: it decides what the dialog shows and the extension a saved name takes.
    text("PhoneBook files", "PhoneBook files (*.phb)"),
    text("Spreadsheet", "Spreadsheet (*.csv)"),
    text("SMS files", "SMS files (*.sms)"),
    text("Monitor files", "Monitor files (*.mon)"),
    text("Admission files", "Excel / comma separated files (*.csv)"),
    // Errors of the files, the serial port and the settings file, and of the unit's lines.
    text("Cannot open file", "Cannot open file \"%1\". %2"),
    text("Cannot create file", "Cannot create file \"%1\". %2"),
    text("Cannot write file", "Cannot write file \"%1\". %2"),
    caption("File not found"),
    caption("Invalid filename"),
    caption("Too many open files"),
    caption("File access denied"),
    caption("Disk full"),
    text("I/O error", "I/O error %1"),
    caption("Not a text file"),
    caption("File too large"),
    text("ComNumber not set", "The ComNumber property of the TComPort has not been set"),
    text("No such port", "Specified comport doesn't exist"),
    caption("Device already open"),
    text("Permission denied", "Permission denied: %1 (is your user in the dialout group?)"),
    text("Output buffer too small", "Output buffer too small for block"),
    text("Block not put", "Failed to put entire block"),
    caption("Buffer is empty"),
    text("Port gone", "%1 is no longer available (%2)"),
    text("Unable to write", "Unable to write to %1"),
    text("Not in charset", "The text \"%1\" cannot be written in %2, which has no \"%3\" (U+%4)"),
    text("Written in UTF-8", "The record was written in UTF-8."),
    text("Not a date", "'%1' is not a valid date and time"),
    text("Not an integer", "'%1' is not a valid integer value"),
    text("Out of range", "'%1' is out of range (%2 to %3)"),
    // What became of a vCard file's contacts, and what keeps such a file out of the phone book.
    text("Contacts loaded", "Rows loaded from \"%2\": %1."),
    text("Names made", "These were given names the unit can hold (%1):"),
    text("Named as", "%1 as %2"),
    text("Named as reserved", "%1 as %2, a name with a meaning of its own to the unit"),
    text("Contacts left out", "These were left out (%1):"),
    text("No phone number", "%1: no phone number"),
    text("Not a phone number", "%1: not a phone number the unit can hold"),
    text("Number longer", "%1: more than %2 characters"),
    text("No name", "%1: no letter or digit for a name"),
    text("No contact", "it holds no contact with a name and a phone number the unit can hold"),
    text("Not a vCard", "line %1 is not part of a vCard between BEGIN:VCARD and END:VCARD"),
    text("vCard not ended", "the vCard that begins in line %1 has no END:VCARD"),
    // The whole phone book checked before a write; the command line's waiting and progress.
    text("Row fault", "row %1: %2: %3"),
    text("Number without name", "Number without name"),
    text("Relay time digits", "Relay time is two digits"),
    text("Not reserved name", "No such reserved name (1 to 8)"),
    text("Entry written over", "Only one row can hold this entry"),
    text("Rows with faults", "%1 of %2 rows with faults"),
    text("Faulty rows",
         "{This row|These rows} would not be written as {it stands|they stand} (%1):"),
    text("Erase anyway", "Erase the SIM phone book all the same?"),
    text("Nothing sent", "Nothing was sent to the unit (--force writes the rows as they stand)."),
    text("Rows held", "%1 {row is|rows are} on the SIM already and {was|were} left out."),
    text("Backup written", "The SIM phone book was saved to %1."),
    text("Waiting for report", "waiting for the unit's first report on %1 ..."),
    text("Waiting for window", "waiting for the unit on %1 to open its window ..."),
    text("File not written", "%1 was not written."),
    text("No link", "%1: no link: the unit has not answered or reported for the watchdog's time"),
    text("Rows read", "rows read: %1"),
    text("Entries erased", "entries erased: %1 of %2"),
    text("Rows written", "rows written: %1 of %2"),
    text("Rows read back", "rows read back: %1"),
    text("SMS read", "SMS read: %1"),
    text("Slots freed", "slots freed: %1 of 7"),
    text("Pairs saved", "pairs saved: %1 of 6"),
    text("Slots deleted", "slots deleted: %1"),
    // The contacts filter of the phone book's file dialogs; a row a file cannot hold.
    text("Contact files", "Contacts (*.vcf)"),
    text("Line break in line", "Line %1 holds a line break."),
};

inline constexpr SettingKey Help[] = {
    text("Phone numbers", "Number of phone numbersin downloaded list"),
    text("Find", "Search for name or phone number within selected field"),
    text("FindNext", "Search for next name or phone number in the list"),
    text("Sort", "Sort phone book in alphabetical order"),
    text("FindName", "Enter all or part of name here"),
    text("FindPhone", "Enter all or part of phone number here"),
    text("LoadSMSPC", "Load SMSs from PC"),
    text("SaveSMSPC", "Save SMSs to PC"),
    text("LoadSIMPC", "Load phone numbers from PC"),
    text("SaveSIMPC", "Save phone numbers to PC"),
    text("SMeter", "Signal is good, when colour is green or blue."),
    text("CountDown", "SynchroPie - if not green, communication is blocked."),
    text("Indicator", "Indication of serial transmission (flashing red = error in translation)"),
    text("ADMIN", "Phone number with top priority of unit access"),
    text("ALARM", "Phone number for SMS control and alarm"),
    text("ALARM8",
         "Phone number for SMS control, alarm and for relaying messages from GSM provider"),
    text("RTIME", "Time of relay switch on after ringing"),
    text("CREDIT", "Code to get remaining credit info from GSM operator"),
    text("OPERATOR",
         "phone number of GSM operator for net messages( expiration credit time etc...)"),
    caption("Phone number in international format."),
    text("CRED.CODE", "code to check credit level"),
    text("Load SIM", "Load phone numbers from SIM."),
    text("Overwrite SIM", "Ovewrite phone numbers in SIM"),
    text("Add To SIM", "Add phone numbers to SIM"),
    text("PhoneBook", "Table for edition of phone book"),
    text("AdmisRec", "Table for admissions"),
    text("Verify", "Verify syntax in Phone Book"),
    text("Autoverify", "Verify syntax in Phone Book automatically"),
    text("Info", "Overview of important phone numbers of the unit"),
    text("SMS Text", "SMS text max. 150 characters."),
    text("SMS Monitor", "All SMSs on SIM card are shown."),
    text("Load SMSs", "Load SMSs from SIM."),
    text("Save SMSs", "Save SMSs to SIM"),
    text("Delele SMSs", "Delete all SMSs from SIM."),
    text("Monitor", "Monitoring serial communication."),
    text("SaveMonitor", "Save monitored serial communication."),
    text("RelayA", "Name for relay A"),
    text("RelayB", "Name for relay A"),
    // The link indicator and the status bar: the port in use ("COM9 (/dev/ttyUSB0)").
    text("Serial port", "Serial port: %1"),
};

// Verify and Autoverify are read right after OPERATOR.
inline constexpr SettingRead HelpReads[] = {
    {"Phone numbers", -1}, {"Find", -1},
    {"FindNext", -1},      {"Sort", -1},
    {"FindName", -1},      {"FindPhone", -1},
    {"LoadSMSPC", -1},     {"SaveSMSPC", -1},
    {"LoadSIMPC", -1},     {"SaveSIMPC", -1},
    {"SMeter", -1},        {"CountDown", -1},
    {"Indicator", -1},     {"ADMIN", -1},
    {"ALARM", -1},         {"ALARM8", -1},
    {"RTIME", -1},         {"CREDIT", -1},
    {"OPERATOR", -1},      {"Verify", -1},
    {"Autoverify", -1},    {"Phone number in international format.", -1},
    {"CRED.CODE", -1},     {"Load SIM", -1},
    {"Overwrite SIM", -1}, {"Add To SIM", -1},
    {"PhoneBook", -1},     {"AdmisRec", -1},
    {"Info", -1},          {"SMS Text", -1},
    {"SMS Monitor", -1},   {"Load SMSs", -1},
    {"Save SMSs", -1},     {"Delele SMSs", -1},
    {"Monitor", -1},       {"SaveMonitor", -1},
    {"RelayA", -1},        {"RelayB", -1},
    {"Serial port", -1},
};

}  // namespace texts

// The four sections in the order they are read and written.
inline constexpr SettingsSection SettingsSections[] = {
    {"Form", texts::Form, int(std::size(texts::Form)), nullptr, 0},
    {"Language", texts::Language, int(std::size(texts::Language)), texts::LanguageReads,
     int(std::size(texts::LanguageReads))},
    {"Messages", texts::Messages, int(std::size(texts::Messages)), nullptr, 0},
    {"Help", texts::Help, int(std::size(texts::Help)), texts::HelpReads,
     int(std::size(texts::HelpReads))},
};
