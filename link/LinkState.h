#pragma once
// The variables the device link's handlers share. Owned by the window, touched only
// from the user-interface thread.
#include <QByteArray>
#include <QString>

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
  qint32 RowErrors = 0;      // error answers for the row being written
  qint32 RowErrorsRow = 0;   // the row RowErrors counts for
  bool ReportOkDue = false;  // the last line was the unit's own report; its "OK" comes next

  // A chain is running: an "OK" must not end the busy state.
  bool anyTransfer() const {
    return ErasePending || ErasingPhoneBook || WritingPhoneBook || WritingSms || DeletingSms ||
           ProbePending;
  }
};
