// SPDX-License-Identifier: GPL-3.0-or-later
// The one place that decides the character set of the text files: any bytes read in any set
// give a text that a file written in that set gives back, and a text either encodes to bytes
// that read back as it or is refused.
#include "fuzz/FuzzCharsets.h"
#include "fuzz/FuzzTarget.h"

ZUL_FUZZ_TARGET(charset) {
  // The same bytes taken as UTF-16: texts no file holds (lone surrogates, any character).
  // A short one: a text that fails is searched for its first unwritable character.
  QString typed(reinterpret_cast<const QChar*>(data.constData()),
                std::min<qsizetype>(data.size() / 2, 64));
  for (const FileCharset& set : FuzzCharsets()) {
    const FileCharset readAs = set.ReadAs(data);
    FUZZ_CHECK(readAs == set || readAs == FileCharset::Latin1() || readAs == FileCharset::Utf8(),
               readAs.Name());
    const QString text = set.Decode(data);
    if (readAs == set) FUZZ_CHECK(set.DecodePart(FileCharset::Unmarked(data)) == text, set.Name());
    QByteArray file;
    try {
      file = set.EncodeFile({text});
    } catch (const EUnwritableText& e) {
      FUZZ_CHECK(readAs != set, set.Name() + QStringLiteral(": ") + e.Message);
    }
    if (!file.isEmpty())
      FUZZ_CHECK(
          set.Decode(file) == text + QStringLiteral("\r\n"),
          set.Name() + QStringLiteral(": ") + Shown(text) + QStringLiteral(" as ") + Shown(file));
    try {
      const QByteArray bytes = set.Encode(typed);
      FUZZ_CHECK(set.DecodePart(bytes) == typed, set.Name() + QStringLiteral(": ") + Shown(typed));
    } catch (const EUnwritableText& e) {
      FUZZ_CHECK(e.Message.contains(set.Name()), e.Message);
    }
  }
}
