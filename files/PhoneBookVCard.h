// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The phone book as contacts: vCard files (.vcf) as phones and contacts servers write them
// (2.1 with quoted-printable values, 3.0, 4.0 with tel: URIs), and as this program writes
// them (3.0, UTF-8, a contact per line with FN, N and TEL).
//
// A contact gives a row for each of its numbers. Its name becomes what the unit's names can
// be (capital letters A to Z and digits, at most 8; other letters written the nearest way),
// its numbers lose what people write between the digits, and every change and everything
// left out is named. A vCard this program wrote (its PRODID says so) is taken exactly as it
// stands, so that the phone book it came from comes back line for line.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "files/FileCharset.h"

struct MessageTexts;

enum class VCardFault {
  None,
  NotVCard,   // line: a line outside BEGIN:VCARD ... END:VCARD, or an END without its BEGIN
  NotEnded,   // line: a BEGIN:VCARD whose END:VCARD never comes
  NoContact,  // no row: no contact has a name and a number the unit can hold
};

// What became of a contact, or of one of its numbers, on the way into the phone book.
enum class VCardNote {
  Named,          // taken under the name given
  NamedReserved,  // the same, and that name is one the unit gives a meaning (ADMIN1, OUT, ...)
  NoNumber,       // left out: the contact has no number
  NotANumber,     // left out: the number holds what no number of the unit can
  TooLong,        // left out: longer than the unit's numbers may be
  NoName,         // left out: not one letter or digit of the name is left
};

struct VCardItem {
  VCardNote note;
  QString contact;  // "name (number)", as the file writes them
  QString name;     // Named, NamedReserved: the name taken
};

struct VCardEntries {
  QStringList lines;  // "name=number", in the file's order
  VCardFault fault = VCardFault::None;
  int line = 0;             // NotVCard, NotEnded: the line of the file, from 1
  QList<VCardItem> items;   // in the file's order; NoContact: what was left out
  int maxNumberLength = 0;  // the limit TooLong was judged by
};

// The rows of a vCard file's bytes. A value without a CHARSET is UTF-8 where it is valid
// UTF-8, else read in charset (or byte for byte); a zero byte ends the text.
VCardEntries PhoneBookFromVCard(const QByteArray& bytes, int maxNumberLength,
                                const FileCharset& charset = FileCharset::System());

// The phone book's lines as the lines of a vCard 3.0 file, folded at 75 octets of UTF-8.
QStringList VCardLinesFromPhoneBook(const QStringList& lines);

bool IsVCardFile(const QString& fileName);  // ends in ".vcf", any case

// The message that names what was changed or left out; empty when nothing was.
QString VCardReport(const VCardEntries& entries, const QString& fileName, const MessageTexts& m);

// The rows of a .vcf file. One that gives none fails with "Not loaded", naming the file and
// why (EFileError); the file functions fail as for the other phone book files. report
// receives VCardReport().
QStringList ReadPhoneBookVcf(const QString& fileName, const MessageTexts& m, int maxNumberLength,
                             QString* report, const FileCharset& charset = FileCharset::System());
// Always UTF-8, each line ended by "\r\n"; fails as the other phone book files do.
void WritePhoneBookVcf(const QString& fileName, const QStringList& lines);
