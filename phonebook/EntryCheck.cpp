// SPDX-License-Identifier: GPL-3.0-or-later
// The entry check of the phone book grid and the Verify button.
#include <QApplication>
#include <QCheckBox>

#include "app/Form1.h"
#include "phonebook/EntrySyntax.h"
#include "phonebook/NameValueGrid.h"
#include "platform/Dialogs.h"

namespace {

QColor pageColour(const TForm1& f) { return f.PHONE->palette().color(QPalette::Window); }

QColor windowColour(const TForm1& f) {
  return QApplication::palette(f.PhoneBook1).color(QPalette::Base);
}

// Runs the check on row R; returns normally both on a pass and on a reported fault.
void checkRow(TForm1& f, int R) {
  TNameValueGrid* grid = f.PhoneBook1;
  grid->SetBackground(pageColour(f));

  auto fault = [&f](const QString& message) {
    // A sort writes thousands of cells, a paste hundreds of rows: one box is enough.
    if (!f.BatchFaultShown.value_or(false)) f.Env.dialogs->message(message);
    if (f.BatchFaultShown) f.BatchFaultShown = true;
    f.EntryFault = true;
  };

  if (!grid->Cell(1, R).isEmpty()) {
    if (NumberCharsFault(grid->Cell(0, R), grid->Cell(1, R)) != EntryFaultKind::None)
      return fault(f.Messages.IncorrectNumber);
    // The rewrite is a change of the grid and runs this check again on the same row before
    // the length is looked at.
    const QString V = grid->Cell(1, R);
    if (IsRtimeName(grid->Cell(0, R)) && RtimeNeedsRewrite(V)) grid->SetCell(1, R, RtimeRewrite(V));
    if (NumberLengthFault(grid->Cell(1, R), f.MaxLengthNumber) != EntryFaultKind::None)
      return fault(f.Messages.NumberTooLong);
  }

  const QString N = grid->Cell(0, R);
  if (!N.isEmpty()) {
    switch (NameFault(N)) {
      case EntryFaultKind::IncorrectName:
        return fault(f.Messages.IncorrectName);
      case EntryFaultKind::TooLongName:
        return fault(f.Messages.TooLongName);
      default:
        break;
    }
  }

  f.EntryFault = false;
  grid->SetBackground(windowColour(f));
  f.ClearInfo();
}

}  // namespace

void TForm1::PhoneBook1StringsChange() {
  if (!Autoverify->isChecked()) return;
  // Whatever goes wrong inside the check ends it unreported; the grid keeps its grey.
  try {
    checkRow(*this, PhoneBook1->Row());
  } catch (...) {
  }
}

void TForm1::TestClick() {
  const int n = PhoneBook1->RowCount() - 1;
  for (int r = 1; r <= n; ++r) {
    PhoneBook1->SetRow(r);
    PhoneBook1StringsChange();
    if (EntryFault) break;
  }
}
