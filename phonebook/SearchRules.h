// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pure rules of the phone book search and sort.
#include <QString>
#include <QStringList>

// Capital letters for a to z only; every other character stays (the search text of FindName).
QString UpperCaseAtoZ(const QString& text);

// The name part of a "name=number" line: before the first "=", empty without one.
QStringView LineName(const QString& line);
// The number part: after the first "=", the whole line without one.
QStringView LineValue(const QString& line);

// Name order of the sort: character codes from the first character, a text that ends first is
// the smaller, so the empty name comes first.
bool NameLess(QStringView a, QStringView b);

// The lines in ascending name order, equal names in their former order.
QStringList StableSortByName(const QStringList& lines);
