// Ctrl+V in the phone book grid: rows from a spreadsheet, or one value into the current cell.
#include <QClipboard>
#include <QGuiApplication>

#include "app/Form1.h"
#include "files/PhoneBookSheet.h"
#include "phonebook/NameValueGrid.h"
#include "platform/Errors.h"

void TForm1::PhoneBook1Paste() {
  const QString text = QGuiApplication::clipboard()->text();
  if (text.isEmpty()) return;
  TNameValueGrid* grid = PhoneBook1;
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
