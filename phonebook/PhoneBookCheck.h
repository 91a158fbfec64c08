// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A whole phone book checked before it goes to the SIM: every row the unit cannot take as it
// stands, and the rows an addition would only write a second time.
#include <QList>
#include <QString>
#include <QStringList>

#include "settings/MessageTexts.h"

struct RowFault {
  int row;       // from 1
  QString line;  // name=number as given
  QString text;  // why, in the settings' words
};

// The entry check of each row (as the grid's check finds it, number before name), then what
// the write cannot carry: a number without a name, a relay time the two digits cut short, a name
// in the form of a reserved one that the unit does not know (ALARM9), a second row for an entry
// that only one row can have (RTIME, OUT). Rows without a number are placeholders the write
// passes over and are not faults, unless their name is such a look-alike.
QList<RowFault> PhoneBookFaults(const QStringList& rows, const MessageTexts& m,
                                int maxNumberLength);

// "row 3: ADMIN1=12ab: Incorrect number", one a fault, in the settings' words.
QStringList FaultLines(const QList<RowFault>& faults, const MessageTexts& m);

// The rows of `rows` that the SIM does not hold already (same name and number); *leftOut
// counts the others.
QStringList RowsNotHeld(const QStringList& rows, const QStringList& held, int* leftOut);
