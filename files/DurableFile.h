// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Appending that survives a power cut: once AppendDurably returns, the bytes are on the disk,
// and so is the file's entry in its folder when this call made the file.
#include <QByteArray>
#include <QString>

// Adds bytes at the end of the file, making it when it is not there. A last line left without
// its end (a write cut off by a power cut, an edit by hand) is ended first with "\r\n", so the
// bytes start a line of their own. A failed write takes back what it wrote. Raises
// EFCreateError "Cannot write file "<name>". <reason>".
void AppendDurably(const QString& fileName, const QByteArray& bytes);
