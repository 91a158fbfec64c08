// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The phone book as spreadsheets hold it: .csv files, and the rows a spreadsheet puts on the
// clipboard. Names in the first column, numbers in the second; further columns are ignored.
//
// Writing: a "sep=;" line (Excel then splits at ";" in every regional setting; LibreOffice
// splits at ";" anyway and shows the line as a first row), a header row of the grid's titles,
// then one row per entry, every cell that is not empty as the formula ="..." so that Excel
// keeps it as text: a leading "+" or zero survives. Reading takes what Excel and LibreOffice
// write (comma, semicolon or tab, quotes, line breaks in cells, a byte order mark, "sep=",
// ="..." cells) and names what a spreadsheet spoilt instead of loading it wrong.
#include <QList>
#include <QString>
#include <QStringList>

#include "files/FileCharset.h"

// No cell of the grid holds more: it is what its cell editor takes.
constexpr int MaxSheetCellLength = 32767;

// What keeps a spreadsheet's text out of the phone book.
enum class SheetFault {
  None,
  NoEntry,        // no row with a name or a number
  OpenQuote,      // row: a quoted cell starts there and never ends
  LongCell,       // row, length: a name or number longer than MaxSheetCellLength
  EqualsInName,   // row: the grid's line form cannot hold a name with "="
  NumbersSpoilt,  // items: numbers shown in scientific form, their digits lost
};

// Where the cell of a one-column text goes.
enum class OneColumn {
  Line,    // the whole line, as a phone book line without "=" (files)
  Name,    // the name of a new row (a paste into the name column)
  Number,  // the number of a new row
};

struct SheetEntries {
  QStringList lines;  // "name=number", one per row, in order
  SheetFault fault = SheetFault::None;
  int row = 0;     // the row of the fault, counted as the spreadsheet shows it (from 1)
  int length = 0;  // LongCell: the cell's length
  // NumbersSpoilt: "name (number)" of each. Otherwise the plain numbers of ten digits or more
  // without "+" or leading 0: a spreadsheet that took them for numbers dropped those.
  QStringList items;
  // The text is one cell (a value copied from a single cell): that cell.
  bool oneValue = false;
  QString value;
};

// The rows of a spreadsheet's text. The separator is the one a "sep=" first line names, else
// whichever of tab, ";" and "," splits the most rows (in that order when even). A first row
// whose number holds letters and no digit is a header and skipped. Line breaks in a cell
// become one blank each.
SheetEntries PhoneBookFromSheet(const QString& text, OneColumn oneColumn);

// The rows of a .csv file of these phone book lines (see above), without their line ends.
// A line without "=" is a row of one cell, so that it reads back as it was.
QStringList PhoneBookSheetRows(const QStringList& lines, const QString& nameTitle,
                               const QString& numberTitle);

// Rows of cells as spreadsheets put them on the clipboard: tab between cells, each row ended
// by lineEnd; a cell holding a tab, quote or line break is quoted.
QString SheetClipboardText(const QList<QStringList>& rows, const QString& lineEnd);

bool IsSpreadsheetFile(const QString& fileName);  // ends in ".csv", any case

// Fail as the phone book files do (EFOpenError, EFCreateError); binary data fails with "Not a
// text file". The text before a zero byte is read in charset, or as its byte order mark says.
SheetEntries ReadPhoneBookCsv(const QString& fileName,
                              const FileCharset& charset = FileCharset::System());
void WritePhoneBookCsv(const QString& fileName, const QStringList& lines, const QString& nameTitle,
                       const QString& numberTitle,
                       const FileCharset& charset = FileCharset::System());
