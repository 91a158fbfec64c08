#include "files/PhoneBookFile.h"

#include <QFile>

#include "files/TextFiles.h"
#include "platform/Errors.h"

QStringList SplitTextLines(const QByteArray& bytes) {
  QStringList lines;
  const int end = bytes.indexOf('\0') >= 0 ? int(bytes.indexOf('\0')) : int(bytes.size());
  int start = 0;
  for (int i = 0; i < end; ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    lines.append(QString::fromLatin1(bytes.constData() + start, i - start));
    if (c == '\r' && i + 1 < end && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < end) lines.append(QString::fromLatin1(bytes.constData() + start, end - start));
  return lines;
}

QByteArray JoinTextLines(const QStringList& lines) {
  QByteArray out;
  for (const QString& line : lines) {
    out += line.toLatin1();
    out += "\r\n";
  }
  return out;
}

QStringList ReadPhoneBookFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    throw EFOpenError(
        QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw EFOpenError(
        QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
  return SplitTextLines(bytes);
}

void WritePhoneBookFile(const QString& fileName, const QStringList& lines) {
  WriteWholeFile(fileName, JoinTextLines(lines), FileErrors::NameAndReason);
}
