// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the link core has to show and tell, handed to its face: the window, the command line or
// the logger. Every call comes on the core's thread while the core is at work; a face shows or
// records it and returns, and never answers by waiting for a person (a question is answered by
// calling the core back later).
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "link/LinkState.h"

// A status value of the core changed; the face reads it from the core.
enum class Status : quint8 {
  Busy,              // ButtonsLocked: the 15 controls of the busy state
  SimButtons,        // SimButtonsOn: the watchdog's switch of the six SIM buttons
  ProgressMaximum,   // Progress.maximum
  ProgressPosition,  // Progress.position
  ProgressShown,     // Progress.shown
  Transfer,          // TransferShown: the transfer animation
  Waiting,           // WaitingShown: the waiting animation
  Led,               // LedState
  Operator,          // Link.OperatorName
  Centre,            // Centre
  Size,              // Link.PhoneBookCapacity
  Signal,            // Link.SignalLevel (not while the phone book is erased)
  Countdown,         // Countdown: the link's free window, -27 to 0
  Info,              // the reserved entries of the phone book are to be shown afresh
  PortBack,          // the port is open again after PortLost was told
};

// How PhoneBookLines changed.
enum class BookChange : quint8 {
  Home,        // nothing yet: a read may follow, shown from the first row on
  Replaced,    // the whole content (emptied, or given back after a chain)
  FirstEntry,  // an entry of a read that replaces the content: the book is that line alone
  Entry,       // an entry of a read, added at the end
};

// How AdmissionLines changed.
enum class LogChange : quint8 {
  Replaced,  // the whole log (a new day's log with its first record, or emptied)
  Added,     // one record at the end
};

// Something the user is to read.
struct Notice {
  enum class Kind : quint8 {
    ChainEnded,       // a chain ended; text says what is not on the unit (empty: nothing to say)
    Error,            // an error ended one of the core's events (text without the full stop)
    PortLost,         // the open port's device went away
    NoCommunication,  // the watchdog's question; Yes is LinkCore::ChoosePortAgain()
  };
  Notice(Kind kind, const QString& text = QString()) : kind(kind), text(text) {}

  Kind kind;
  QString text;
  QString errorKind;          // Error: the error's class (the same fault told again has it)
  QString caption;            // NoCommunication: "COM" and the port number
  Chain chain = Chain::None;  // ChainEnded
  bool complete = true;       // ChainEnded: finished, nothing left out (text may still tell
                              // of a caller found in the SIM's last entry)
  QString undone;             // ChainEnded, not finished: what is not on the unit
  bool silent = false;        // ChainEnded, not finished: the unit sent nothing meanwhile
};

class LinkFace {
 public:
  virtual ~LinkFace() = default;

  virtual void Told(const Notice& notice) = 0;
  // The core begins (true) or ends (false) work nobody started: the unit's lines, the tick, a
  // lost port. Nobody waits for what it shows or tells meanwhile (the same error may come
  // night-long), and a box shown inside it would hold the line: show it once this has ended.
  virtual void UnattendedWork(bool begins) { (void)begins; }
  virtual void StatusChanged(Status what) { (void)what; }
  // Every line received from the unit, before it is acted on.
  virtual void LineReceived(const QByteArray& line) { (void)line; }
  virtual void PhoneBookChanged(BookChange change) { (void)change; }
  // A field of SMS pair `pair` (0 to 5) in LinkCore::Pairs.
  virtual void SmsPairChanged(int pair, bool phone) {
    (void)pair;
    (void)phone;
  }
  // The list of the SMS on the SIM, as text: emptied first when `emptied`, then `added` appended
  // (a carriage return is a line break).
  virtual void SmsListChanged(bool emptied, const QByteArray& added) {
    (void)emptied;
    (void)added;
  }
  // One admission record, as the call came; then, where the core keeps the log, how it changed.
  // `at` is the one reading of the clock the record's key was made from.
  virtual void Admitted(const QString& record, const QDateTime& at) {
    (void)record;
    (void)at;
  }
  virtual void AdmissionsChanged(LogChange change) { (void)change; }
  // The name of the chain in the messages: the caption of the button that starts it.
  virtual QString ChainName(Chain chain) const;
};
