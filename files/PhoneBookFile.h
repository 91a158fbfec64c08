// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Phone book files (.phb): one "name=number" line per entry, each ended by "\r\n", in the
// system's character set (FileCharset).
#include <QByteArray>
#include <QString>
#include <QStringList>

#include "files/FileCharset.h"

// Lines end at CR, LF or CR LF; a zero byte ends the text; a last line without an end counts.
// The text before the zero byte is read in charset (UTF-8 after a byte order mark), or byte for
// byte when not valid in it.
QStringList SplitTextLines(const QByteArray& bytes, const FileCharset& charset);

// Throw EFOpenError / EFCreateError with the file name and the system's reason; a line the
// character set cannot hold fails the save before anything is written.
QStringList ReadPhoneBookFile(const QString& fileName,
                              const FileCharset& charset = FileCharset::System());
void WritePhoneBookFile(const QString& fileName, const QStringList& lines,
                        const FileCharset& charset = FileCharset::System());
