// SPDX-License-Identifier: GPL-3.0-or-later
// Spreadsheet text, from a .csv file or the clipboard: what it loads, a file the program
// writes of it loads back the same, and rows copied as spreadsheets copy them paste back.
#include "files/PhoneBookSheet.h"
#include "fuzz/FuzzTarget.h"

ZUL_FUZZ_TARGET(sheet) {
  const QString text = FileCharset::Utf8().Decode(data);
  for (const OneColumn mode : {OneColumn::Line, OneColumn::Name, OneColumn::Number}) {
    const SheetEntries e = PhoneBookFromSheet(text, mode);
    FUZZ_CHECK((e.fault == SheetFault::None) != e.lines.isEmpty(), Shown(e.lines));
    const bool rowFault = e.fault == SheetFault::OpenQuote || e.fault == SheetFault::LongCell ||
                          e.fault == SheetFault::EqualsInName;
    FUZZ_CHECK(!rowFault || e.row >= 1, QString::number(e.row));
    FUZZ_CHECK(e.fault != SheetFault::LongCell || e.length > MaxSheetCellLength,
               QString::number(e.length));
    if (e.fault != SheetFault::None) continue;

    QList<QStringList> rows;
    for (const QString& line : e.lines) {
      FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'), Shown(line));
      if (mode != OneColumn::Line) FUZZ_CHECK(line.contains(u'='), Shown(line));
      const qsizetype eq = line.indexOf(u'=');
      rows << QStringList{line.left(eq), line.mid(eq + 1)};
    }
    // The program's .csv of these lines.
    const QString file =
        PhoneBookSheetRows(e.lines, QStringLiteral("Name"), QStringLiteral("Phone"))
            .join(QStringLiteral("\r\n")) +
        QStringLiteral("\r\n");
    const SheetEntries again = PhoneBookFromSheet(file, OneColumn::Line);
    FUZZ_CHECK(again.fault == SheetFault::None && again.lines == e.lines,
               Shown(e.lines) + QStringLiteral(" came back as ") + Shown(again.lines));
    // Rows of two cells on the clipboard, as a spreadsheet that keeps its cells as text puts
    // them there: back as they were, but for a first row that reads as a header. A cell with
    // blanks at its ends or of the form ="..." is a spreadsheet's to take as it likes.
    if (mode == OneColumn::Line) continue;
    bool plain = true;
    for (const QStringList& row : rows)
      for (const QString& cell : row)
        plain = plain && cell == cell.trimmed() && !cell.startsWith(QLatin1String("=\""));
    if (!plain) continue;
    const SheetEntries pasted =
        PhoneBookFromSheet(SheetClipboardText(rows, QStringLiteral("\r\n")), mode);
    if (pasted.fault == SheetFault::NumbersSpoilt) continue;
    QStringList belowHeader = e.lines.mid(1);
    if (belowHeader.count(QString()) + belowHeader.count(QStringLiteral("=")) == belowHeader.size())
      belowHeader.clear();  // nothing but blank rows under it: no entry
    FUZZ_CHECK(pasted.lines == e.lines || pasted.lines == belowHeader,
               Shown(e.lines) + " pasted as " + Shown(pasted.lines));
  }
}
