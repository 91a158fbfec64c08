// SPDX-License-Identifier: GPL-3.0-or-later
// A .phb file in every character set: its lines, and the program's own save of them loads
// back the same.
#include "files/PhoneBookFile.h"
#include "files/TextFiles.h"
#include "fuzz/FuzzCharsets.h"
#include "fuzz/FuzzTarget.h"

ZUL_FUZZ_TARGET(phonebook) {
  if (HoldsBinaryData(data)) return;  // "Not a text file", before anything is read
  const QStringList utf8 = SplitTextLines(data, FileCharset::Utf8());
  const bool marked = FileCharset::Utf8().ReadAs(data) == FileCharset::Utf8() &&
                      data.startsWith(FileCharset::Mark());
  for (const FileCharset& set : FuzzCharsets()) {
    const QStringList lines = SplitTextLines(data, set);
    // A byte order mark means UTF-8 on every system.
    if (marked) FUZZ_CHECK(lines == utf8, set.Name() + QStringLiteral(": ") + Shown(lines));
    for (const QString& line : lines)
      FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n') && !line.contains(QChar(0)),
                 Shown(line));
    QByteArray saved;
    try {
      saved = set.EncodeFile(lines);
    } catch (const EUnwritableText& e) {
      // Only a file read byte for byte may hold what the set cannot.
      FUZZ_CHECK(set.ReadAs(data) != set, set.Name() + QStringLiteral(": ") + e.Message);
      continue;
    }
    FUZZ_CHECK(!HoldsBinaryData(saved), Shown(saved));
    const QStringList again = SplitTextLines(saved, set);
    FUZZ_CHECK(again == lines, set.Name() + QStringLiteral(": ") + Shown(lines) +
                                   QStringLiteral(" came back as ") + Shown(again));
  }
}
