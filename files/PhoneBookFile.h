#pragma once
// Phone book files (.phb): one "name=number" line per entry, each ended by "\r\n".
#include <QByteArray>
#include <QString>
#include <QStringList>

// Lines end at CR, LF or CR LF; a zero byte ends the text; a last line without an end counts.
QStringList SplitTextLines(const QByteArray& bytes);
QByteArray JoinTextLines(const QStringList& lines);  // every line, the last too, ends "\r\n"

// Throw EFOpenError / EFCreateError with the file name and the system's reason.
QStringList ReadPhoneBookFile(const QString& fileName);
void WritePhoneBookFile(const QString& fileName, const QStringList& lines);
