// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the six SMS pairs may hold: the unit sends a number only of digits and "+", and a text
// only of the characters every handset shows alike. Both filters are pure.
#include <QString>

// Blanks and control characters around the number go; a single character left becomes "+";
// the number ends before its first character not of "0123456789+" and at maxLength.
QString FilterPhone(const QString& text, int maxLength);

// The text ends before its first character not allowed, and at 150 characters.
QString FilterText(const QString& text);

constexpr int kMaxSmsText = 150;
