// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The character sets the file targets try every input in: the systems the program runs on
// (UTF-8, the C locale, a Latin-2 locale, a Windows code page) and ones of several bytes.
#include <QList>

#include "files/FileCharset.h"

inline const QList<FileCharset>& FuzzCharsets() {
  static const QList<FileCharset> sets{FileCharset::Utf8(),
                                       FileCharset::Latin1(),
                                       FileCharset::Named("ISO-8859-2"),
                                       FileCharset::Named("windows-1250"),
                                       FileCharset::Named("Shift_JIS"),
                                       FileCharset::Named("GB18030")};
  return sets;
}
