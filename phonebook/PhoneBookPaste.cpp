// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl+V in the phone book grid: rows from a spreadsheet, or one value into the current cell.
#include <QClipboard>
#include <QGuiApplication>

#include "app/Form1.h"
#include "files/PhoneBookSheet.h"
#include "phonebook/NameValueGrid.h"
#include "platform/Errors.h"

void TForm1::PhoneBook1Paste() {
  TNameValueGrid* grid = PhoneBook1;
  // Rows copied from the grid itself come back exactly, without the spreadsheet's doubts.
  if (const auto lines = TNameValueGrid::CopiedLines(QGuiApplication::clipboard()->mimeData())) {
    OneFaultBox batch(*this);
    return grid->InsertLines(*lines);
  }
  const QString text = QGuiApplication::clipboard()->text();
  if (text.isEmpty()) return;
  const SheetEntries entries =
      PhoneBookFromSheet(text, grid->Column() == 0 ? OneColumn::Name : OneColumn::Number);
  // One value goes into the cell as it stands, as if typed there.
  if (entries.oneValue && entries.fault != SheetFault::LongCell)
    return grid->PasteIntoCell(entries.value);
  const QString fault = SheetFaultText(entries);
  if (!fault.isEmpty()) throw Exception(Messages.NotPasted.arg(fault));
  if (!TakeUnprefixed(entries)) return;
  OneFaultBox batch(*this);
  grid->InsertLines(entries.lines);
}
