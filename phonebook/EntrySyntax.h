// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The syntax of a phone book entry (name "=" number) as the unit accepts it.
#include <QString>

enum class EntryFaultKind { None, IncorrectNumber, NumberTooLong, IncorrectName, TooLongName };

inline constexpr char kNumberChars[] = "0123456789+*#";
inline constexpr char kRtimeChars[] = "0123456789";
inline constexpr char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
inline constexpr int kMaxNameLength = 8;

// Whether the entry is the relay time, whose number is two digits (exact, case-sensitive).
bool IsRtimeName(const QString& name);

// The characters of a non-empty number, checked from the last to the first: IncorrectNumber
// at the first that is not allowed (digits only under RTIME), else None.
EntryFaultKind NumberCharsFault(const QString& name, const QString& number);

// Whether the RTIME number must be rewritten, and what to: one digit gets a leading "0",
// more than two keep their last two. Empty and two-character numbers stay.
bool RtimeNeedsRewrite(const QString& number);
QString RtimeRewrite(const QString& number);

// NumberTooLong when the number is longer than maxLength, else None.
EntryFaultKind NumberLengthFault(const QString& number, int maxLength);

// A non-empty name: its characters from the last to the first, then its length.
EntryFaultKind NameFault(const QString& name);

// The whole check of one entry in its order (number before name, characters before length),
// with the RTIME rewrite applied to the number first; number receives the rewritten value.
EntryFaultKind CheckEntry(const QString& name, QString& number, int maxNumberLength);
