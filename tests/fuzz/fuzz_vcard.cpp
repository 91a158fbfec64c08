// SPDX-License-Identifier: GPL-3.0-or-later
// vCard files (.vcf) in every character set: what they load, and a phone book the program
// writes as vCards, whatever its lines hold, loads back line for line.
#include "files/PhoneBookFile.h"
#include "files/PhoneBookVCard.h"
#include "fuzz/FuzzCharsets.h"
#include "fuzz/FuzzTarget.h"
#include "settings/MessageTexts.h"

ZUL_FUZZ_TARGET(vcard) {
  const int maxLength = 13;
  for (const FileCharset& set : FuzzCharsets()) {
    const VCardEntries e = PhoneBookFromVCard(data, maxLength, set);
    FUZZ_CHECK((e.fault == VCardFault::None) != e.lines.isEmpty(), Shown(e.lines));
    if (e.fault == VCardFault::NotVCard || e.fault == VCardFault::NotEnded)
      FUZZ_CHECK(e.line >= 1, QString::number(e.line));
    for (const QString& line : e.lines) FUZZ_CHECK(line.contains(u'='), Shown(line));
    (void)VCardReport(e, QStringLiteral("f.vcf"), MessageTexts());
    if (e.fault != VCardFault::None) continue;
    const QByteArray saved = FileCharset::Utf8().EncodeLines(VCardLinesFromPhoneBook(e.lines));
    const VCardEntries again = PhoneBookFromVCard(saved, maxLength, set);
    FUZZ_CHECK(again.lines == e.lines, set.Name() + QStringLiteral(": ") + Shown(e.lines) +
                                           " came back as " + Shown(again.lines));
  }
  // The input's lines as a phone book of any lines at all, written as vCards and read again.
  // (One of nothing but blank rows holds no entry, and is refused as a spreadsheet is.)
  const QStringList book = SplitTextLines(data, FileCharset::Utf8()).mid(0, 50);
  if (book.count(QString()) + book.count(QStringLiteral("=")) == book.size()) return;
  const QByteArray saved = FileCharset::Utf8().EncodeLines(VCardLinesFromPhoneBook(book));
  const VCardEntries again = PhoneBookFromVCard(saved, maxLength, FileCharset::Latin1());
  FUZZ_CHECK(again.lines == book, Shown(book) + " came back as " + Shown(again.lines));
}
