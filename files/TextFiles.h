// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file reading and writing for the PC files, and the SMS file (.sms): twelve lines,
// phone 1, text 1, phone 2, ..., text 6, each ended by "\r\n".
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "files/FileCharset.h"

// How a failure is told. Phone book and monitor files name the file and the system's reason
// ("Cannot open file "%s". %s", "Cannot create file "%s". %s"); SMS files show the plain
// input/output texts ("File not found", "Disk full", ...).
enum class FileErrors { NameAndReason, InOut };

// No phone book comes near this; reading a bigger file would only hold up the window.
constexpr qint64 MaxPhoneBookFileSize = 16 * 1024 * 1024;

// An SMS line longer than this keeps its first part: no edit holds more, and the field's
// filter keeps far less.
constexpr int MaxSmsLineLength = 32767;

// Text files hold no zero byte, or only as padding at their end: a zero byte with more after
// it is a binary file (an image, a UTF-16 export), whose first bytes must not replace the
// user's entries.
bool HoldsBinaryData(const QByteArray& bytes);

// The input/output text of a system error number (errno).
QString InOutErrorText(int code);
// The same for a failure with that file: a missing folder is a bad name, not a missing file.
QString InOutErrorText(int code, const QString& fileName);

// The whole file, failing with "Cannot open file ..."; one bigger than maxSize fails with
// the reason "File too large".
QByteArray ReadWholeFile(const QString& fileName, qint64 maxSize);
// The same for a text file: binary data fails with the reason "Not a text file".
QByteArray ReadWholeTextFile(const QString& fileName, qint64 maxSize);

// Puts bytes in place of the file. Every write and the close are checked; the old file is
// replaced only once the new one is complete, so a full disk leaves it as it was.
void WriteWholeFile(const QString& fileName, const QByteArray& bytes, FileErrors errors);

// The lines, each ended by "\r\n", in charset, put in place of the file as WriteWholeFile
// does. A line the set cannot hold fails before anything is written, with "Cannot create file
// "%s". " and the text that could not be written.
void WriteTextLines(const QString& fileName, const QStringList& lines, const FileCharset& charset,
                    FileErrors errors);

// The twelve fields read from an SMS file, missing ones empty; nothing when the file is empty
// or starts with the end mark 26 or a zero byte. LF ends a line, every CR is dropped, 26 ends the
// file, and so does a zero byte, after which only zeros (padding) may follow: anything else there
// is binary data and fails with "Not a text file" before any field is set. The lines read are text
// in charset (UTF-8 after a byte order mark), or byte for byte when not valid in it.
std::optional<QStringList> ReadSmsFile(const QString& fileName,
                                       const FileCharset& charset = FileCharset::System());
void WriteSmsFile(const QString& fileName, const QStringList& fields,
                  const FileCharset& charset = FileCharset::System());
