// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "platform/Errors.h"

namespace {

constexpr char EndOfFile = 26;
constexpr int SmsFileLines = 12;

// Qt leaves the system's error number in errno; where it does not (an open refused by Qt
// itself, another platform), what the file name shows stands in for it.
int failureCode(int err, const QString& fileName) {
  const QFileInfo info(fileName);
  if (err == 0) {
    if (info.isDir())
      err = EISDIR;
    else if (!info.exists())
      err = ENOENT;
    else if (!info.isReadable() || !info.isWritable())
      err = EACCES;
    else
      err = EIO;
  }
  // A missing folder is a bad name, not a missing file.
  if (err == ENOENT && !info.absoluteDir().exists()) err = ENOTDIR;
  return err;
}

// The system's reason: Qt's text for a write that stopped part-way says nothing.
QString reasonFor(int err, const QString& qtReason) {
  return err != 0 ? QString::fromLocal8Bit(std::strerror(err)) : qtReason;
}

[[noreturn]] void failRead(const QString& fileName, FileErrors errors, int err,
                           const QString& reason) {
  if (errors == FileErrors::NameAndReason)
    throw EFOpenError(ErrorTexts().CannotOpenFile.arg(fileName, reasonFor(err, reason)));
  throw EFileIOError(InOutErrorText(failureCode(err, fileName)));
}

[[noreturn]] void failWrite(const QString& fileName, FileErrors errors, int err,
                            const QString& reason) {
  if (errors == FileErrors::NameAndReason)
    throw EFCreateError(ErrorTexts().CannotCreateFile.arg(fileName, reasonFor(err, reason)));
  throw EFileIOError(InOutErrorText(failureCode(err, fileName)));
}

// The lines, each ended by "\r\n", in charset, as a whole file; a text the set cannot hold
// fails before anything is written.
QByteArray encodeLines(const QString& fileName, const QStringList& lines,
                       const FileCharset& charset, FileErrors errors) {
  auto fail = [&](const QString& why) {
    const QString message = ErrorTexts().CannotCreateFile.arg(fileName, why);
    if (errors == FileErrors::NameAndReason) throw EFCreateError(message);
    throw EFileIOError(message);
  };
  // A line end inside a line would come back as two lines, a row split in half.
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (lines[i].contains(QLatin1Char('\r')) || lines[i].contains(QLatin1Char('\n')))
      fail(ErrorTexts().LineBreakInLine.arg(i + 1));
  try {
    return charset.EncodeFile(lines);
  } catch (const EUnwritableText& e) {
    fail(e.Message);
  }
  return QByteArray();
}

QByteArray readWhole(const QString& fileName, qint64 maxSize, FileErrors errors) {
  QFile file(fileName);
  errno = 0;
  if (!file.open(QIODevice::ReadOnly)) failRead(fileName, errors, errno, file.errorString());
  const QString tooLarge = ErrorTexts().FileTooLarge;
  if (file.size() > maxSize) failRead(fileName, errors, 0, tooLarge);
  // A device or a pipe tells no size: read in pieces and stop once past the limit.
  QByteArray bytes;
  bytes.reserve(qsizetype(file.size()));
  char piece[65536];
  for (;;) {
    errno = 0;
    const qint64 n = file.read(piece, sizeof piece);
    if (n < 0) failRead(fileName, errors, errno, file.errorString());
    if (n == 0) break;
    bytes.append(piece, qsizetype(n));
    if (bytes.size() > maxSize) failRead(fileName, errors, 0, tooLarge);
  }
  return bytes;
}

}  // namespace

bool HoldsBinaryData(const QByteArray& bytes) {
  const qsizetype zero = bytes.indexOf('\0');
  if (zero < 0) return false;
  for (qsizetype i = zero + 1; i < bytes.size(); ++i)
    if (bytes[i] != '\0') return true;
  return false;
}

QString InOutErrorText(int code) {
  switch (code) {
    case ENOENT:
      return ErrorTexts().FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
      return ErrorTexts().InvalidFilename;
    case EMFILE:
    case ENFILE:
      return ErrorTexts().TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
      return ErrorTexts().FileAccessDenied;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return ErrorTexts().DiskFull;
    default:
      return ErrorTexts().InOutError.arg(code);
  }
}

QString InOutErrorText(int code, const QString& fileName) {
  return InOutErrorText(failureCode(code, fileName));
}

QByteArray ReadWholeFile(const QString& fileName, qint64 maxSize) {
  return readWhole(fileName, maxSize, FileErrors::NameAndReason);
}

QByteArray ReadWholeTextFile(const QString& fileName, qint64 maxSize) {
  QByteArray bytes = ReadWholeFile(fileName, maxSize);
  if (HoldsBinaryData(bytes))
    failRead(fileName, FileErrors::NameAndReason, 0, ErrorTexts().NotATextFile);
  return bytes;
}

void WriteWholeFile(const QString& fileName, const QByteArray& bytes, FileErrors errors) {
  QSaveFile file(fileName);
  // In a folder we may not create files in, an existing file is still written in place.
  file.setDirectWriteFallback(true);
  errno = 0;
  if (!file.open(QIODevice::WriteOnly)) failWrite(fileName, errors, errno, file.errorString());
  // commit() does not see a failure of the last flush, so flush first and check it.
  errno = 0;
  const bool written = file.write(bytes) == bytes.size() && file.flush() && file.commit();
  if (!written) {
    const int err = errno;
    failWrite(fileName, errors, err, file.errorString());
  }
}

void WriteTextLines(const QString& fileName, const QStringList& lines, const FileCharset& charset,
                    FileErrors errors) {
  WriteWholeFile(fileName, encodeLines(fileName, lines, charset, errors), errors);
}

std::optional<QStringList> ReadSmsFile(const QString& fileName, const FileCharset& charset) {
  QFile file(fileName);
  errno = 0;
  if (!file.open(QIODevice::ReadOnly)) failRead(fileName, FileErrors::InOut, errno, {});

  // Bytes first: the character set is decided on all the lines read. A character takes at
  // most four bytes.
  constexpr qsizetype maxLineBytes = 4 * qsizetype(MaxSmsLineLength);
  QList<QByteArray> lines;
  QList<bool> cut;  // the line went past maxLineBytes
  QByteArray line;
  bool lineCut = false;
  bool first = true;
  bool ended = false;
  bool zero = false;  // a zero byte ended the text: only padding may follow it
  bool zeroFirst = false;
  char piece[65536];
  while (!ended) {
    errno = 0;
    const qint64 n = file.read(piece, sizeof piece);
    if (n < 0) failRead(fileName, FileErrors::InOut, errno, {});
    if (n == 0) break;
    if (first && piece[0] == EndOfFile) return std::nullopt;
    if (first) zeroFirst = piece[0] == '\0';
    first = false;
    for (qint64 i = 0; i < n && !ended; ++i) {
      const char c = piece[i];
      if (c == EndOfFile) {
        ended = true;
      } else if (zero) {
        if (c != '\0') throw EFileIOError(ErrorTexts().NotATextFile);
      } else if (c == '\0') {
        zero = true;
      } else if (c == '\n') {
        lines << line;
        cut << lineCut;
        line.clear();
        lineCut = false;
        ended = lines.size() == SmsFileLines;
      } else if (c != '\r') {
        if (line.size() < maxLineBytes)
          line += c;
        else
          lineCut = true;
      }
    }
  }
  if (first || zeroFirst) return std::nullopt;  // no text: empty, or padding alone
  if (!line.isEmpty() && lines.size() < SmsFileLines) {
    lines << line;
    cut << lineCut;
  }
  if (lines.isEmpty()) return QStringList(SmsFileLines, QString());

  // Never part of the first field, whatever set the rest is read in.
  const bool marked = lines[0].startsWith(FileCharset::Mark());
  if (marked) lines[0].remove(0, FileCharset::Mark().size());
  auto readable = [&](const QByteArray& bytes) {
    return charset.ReadAs(bytes) == charset ||
           (marked &&
            FileCharset::Utf8().ReadAs(FileCharset::Mark() + bytes) == FileCharset::Utf8());
  };
  // A line cut at the limit may end inside a character: back to where the last one ends.
  for (qsizetype k = 0; k < lines.size(); ++k)
    for (int back = 1; cut[k] && back <= 3 && !readable(lines[k]); ++back)
      if (readable(lines[k].chopped(back))) lines[k].chop(back);

  const FileCharset readAs =
      charset.ReadAs((marked ? FileCharset::Mark() : QByteArray()) + lines.join('\n'));
  QStringList fields;
  for (const QByteArray& bytes : lines)
    fields << TextLeft(readAs.DecodePart(bytes), MaxSmsLineLength);
  while (fields.size() < SmsFileLines) fields << QString();
  return fields;
}

void WriteSmsFile(const QString& fileName, const QStringList& fields, const FileCharset& charset) {
  WriteTextLines(fileName, fields, charset, FileErrors::InOut);
}
