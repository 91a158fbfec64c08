// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts with a count take the form their language has for it. In a settings-file text a group
// "{record|records}" stands for the forms, in this order:
//   cs, sk  1 | 2 to 4 | 0 and 5 on                                 "{záznam|záznamy|záznamů}"
//   pl      1 | 2 to 4, 22 to 24, 32 to 34, ... but not 12 to 14 | the rest
//                                                                   "{wpis|wpisy|wpisów}"
//   others  1 | the rest (en, de, and any language not named here)  "{record|records}"
// A group is a pair of braces with a "|" between them; braces without one are plain text, so
// texts written before there were groups read as they always did. A group with fewer forms
// than its language has takes its last form for the others.
#include <QList>
#include <QString>

// The number of forms of a group in the language ("cs", "pl_PL", "de"; empty: English).
int PluralFormCount(const QString& language);

// The form (from 0) that count takes in the language.
int PluralForm(const QString& language, qint64 count);

// text with each group replaced by the form of count. Placeholders such as %1 are left as they
// are: fill them afterwards, so that a file name with braces in it stays as it is.
QString WithPluralForms(const QString& text, qint64 count, const QString& language);

// The number of forms of each group of text, in order; empty when it has none.
QList<int> PluralGroups(const QString& text);
