#pragma once
// Which answer a line of the unit is, and what a chain left undone. The unit's own exchanges
// (signal and call reports) end with an "OK" of their own and may fall between one of our
// commands and its answer; these rules keep such lines from steering our chains. Pure.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "link/LineRules.h"

// What the program waits for after a command, and so what a time-out may do about it.
enum class Awaiting : quint8 {
  None,
  Query,      // ATE, AT+COPS?, AT+CPBR=?, AT+CSCA?: sent again
  Read,       // AT+CPBR=1,N-1: sent again, the grid refilled
  Census,     // AT+CPBR=1,N before a write: sent again, an entry listed twice counted once
  Erase,      // AT+CPBW=i: sent again
  Step,       // the writer's "AT" or its hold-back probe: sent again
  Row,        // a row write: may have been stored, so never sent again blindly
  SmsList,    // AT+CMGL=ALL: sent again
  SmsDelete,  // AT+CMGD=i: sent again
  Prompt,     // AT+CMGW=<number>: waits for "> "
  Body,       // the SMS body: waits for "+CMGW"; may have been stored
};

// Error answers to one command before the chain gives it up.
constexpr int kAttempts = 3;

// Who a line answers. Only final results ("OK" and error lines) are given an owner.
enum class Owner {
  None,      // not a final result
  Exchange,  // closes the exchange the line before it opened (the unit's own report, or an
             // answer whose chain already moved on at its information line)
  Probe,     // answers a probe sent only to pace a chain; carries nothing
  Awaited,   // answers the command the program waits for
  Unasked,   // nothing is awaited
};

struct AnswerMarks {
  bool okDue = false;  // the line before opened an exchange whose "OK" comes next
  int probesDue = 0;   // answers of pacing probes still to come (they come first: the unit
                       // answers in turn)
};

// Settles the owner of one complete line and carries the marks on. smsTextExpected: the line
// may be an SMS text, which opens no exchange whatever it contains.
Owner LineOwner(AnswerMarks& marks, LineRule rule, bool lineEmpty, bool smsTextExpected,
                bool awaiting);

// ---- what a chain left undone ----

// The lines of `asked` (name=number) that `present` lacks, counting repeats. Lines without a
// number are placeholders nobody asked to store, and are left out.
QStringList MissingLines(const QStringList& asked, const QStringList& present);

// A grid line name=number as the user reads it: "name (number)".
QString RowText(const QString& line);

// title, then the first 20 items one a line, then andMore with its %1 the count of the rest.
QString FirstItems(const QString& title, const QStringList& items, const QString& andMore);
