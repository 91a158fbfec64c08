// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The variables the device link's handlers share. Owned by the window, touched only
// from the user-interface thread.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "link/Exchange.h"
#include "link/SimRoom.h"

// The chain a SIM button started; it lasts until the chain's last answer or its end.
enum class Chain : quint8 { None, LoadSim, OverwriteSim, AddToSim, LoadSms, SaveSms, DeleteSms };

// An SMS as the last list showed it.
struct ListedSms {
  qint32 slot = 0;
  QByteArray number;
  QByteArray text;
};

struct LinkState {
  QByteArray RxLine;             // bytes received since the last carriage return
  bool LinkIdle = false;         // the unit answered "OK" and nothing is outstanding
  bool ProbePending = false;     // the "OK" of a probe must not set LinkIdle
  bool CentreAsked = true;       // the SMS centre query has been sent
  QByteArray OperatorName;       // while empty, every "+CSQ" report asks for it
  qint32 PhoneBookCapacity = 0;  // N, entries of the SIM phone book; 0 until known
  qint32 StepIndex = 0;          // row, entry or slot of the running chain
  qint32 SignalLevel = 0;
  qint32 SilentTicks = 0;
  bool PhoneBookFresh = false;  // the next entry replaces the grid's content
  bool ErasePending = false;
  bool ErasingPhoneBook = false;
  bool WritingPhoneBook = false;
  bool DeletingSms = false;
  bool WritingSms = false;
  bool SmsTextExpected = false;
  bool AdmisFresh = true;  // the next admission record replaces the log
  QString RelayName;

  // ---- what a chain was asked to do, to tell at its end what is missing ----
  Chain Running = Chain::None;
  QStringList GridBefore;      // the grid when the chain began: asked to write, or given back
  QStringList WriteRows;       // the rows the writer goes through, as name=number
  QStringList StoredLines;     // rows the unit answered "OK" (entry N is never read back)
  QStringList UncertainLines;  // rows whose answer was lost: stored or not, the read-back tells
  qint32 Passes = 0;           // the writes again of rows an error or a loss left missing
  bool ReadBack = false;       // the write's read-back was sent
  QList<qint32> EntriesKept;   // entries the erase could not delete
  QList<qint32> EntriesFound;  // entries below N the census listed
  QStringList HeldBefore;      // and what they held, before the first row was written
  bool Unverified = false;     // the read or list that was to show the unit's content failed
  SimRoom Room;                // free entries below N, and a caller hidden in N
  QStringList HeldLines;       // rows not sent: no entry below N was free for them
  QStringList SmsAsked;        // the six pairs when a save began, as phone=text
  quint8 PairsStored = 0;      // bit k-1: pair k was answered with "+CMGW"
  bool RedoPair = false;       // the slot of a pair whose answer was lost is being freed again
  QList<ListedSms> Listed;     // the SMS of the last list
  bool ListRefused = false;    // the unit refused the last list every time: it tells nothing
  qint32 SlotKept = 0;         // the slot Delete SMSs could not empty, and stopped at

  // ---- echo: a unit that restarted says our commands back ----
  QList<QByteArray> SentLines;  // the last commands sent, without their line end
  bool EchoSeen = false;        // switched off ("ATE") before the next command goes out

  // A chain is running: an "OK" must not end the busy state.
  bool anyTransfer() const {
    return ErasePending || ErasingPhoneBook || WritingPhoneBook || WritingSms || DeletingSms ||
           ProbePending;
  }
};
