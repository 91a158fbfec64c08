// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PhoneBookFile.h"

#include "files/TextFiles.h"

QStringList SplitTextLines(const QByteArray& bytes, const FileCharset& charset) {
  const qsizetype zero = bytes.indexOf('\0');
  const QString text = charset.Decode(zero < 0 ? bytes : bytes.left(zero));
  QStringList lines;
  const qsizetype end = text.size();
  qsizetype start = 0;
  for (qsizetype i = 0; i < end; ++i) {
    const QChar c = text[i];
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
    lines.append(text.mid(start, i - start));
    if (c == QLatin1Char('\r') && i + 1 < end && text[i + 1] == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  if (start < end) lines.append(text.mid(start));
  return lines;
}

QStringList ReadPhoneBookFile(const QString& fileName, const FileCharset& charset) {
  return SplitTextLines(ReadWholeTextFile(fileName, MaxPhoneBookFileSize), charset);
}

void WritePhoneBookFile(const QString& fileName, const QStringList& lines,
                        const FileCharset& charset) {
  WriteTextLines(fileName, lines, charset, FileErrors::NameAndReason);
}
