// SPDX-License-Identifier: GPL-3.0-or-later
// Search and sort of the phone book grid.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>

#include "app/Form1.h"
#include "phonebook/NameValueGrid.h"
#include "phonebook/SearchRules.h"

namespace {

// First row from `from` whose name (col 0) or number (col 1) contains text; 0 when none.
int findRow(const TNameValueGrid* grid, int col, const QString& text, int from) {
  const QStringList lines = grid->Strings();
  const int last = grid->RowCount() - 1;
  for (int r = std::max(from, 1); r <= last && r <= lines.size(); ++r) {
    const QString& line = lines[r - 1];
    const QStringView cell = col == 0 ? LineName(line) : LineValue(line);
    if (cell.contains(text)) return r;
  }
  return 0;  // the blank row of an empty book contains no non-empty text
}

void showMatch(TForm1& f, int r) {
  f.PhoneBook1->SetRow(r);
  f.PhoneBook1->setFocus();
  f.FoundRow = r;
}

// The sort as the unit's users know it: cell writes, each one a change of the grid, so the
// entry check runs after every write when it is switched on.
void bubbleSort(TForm1& f) {
  TNameValueGrid* grid = f.PhoneBook1;
  TForm1::OneFaultBox batch(f);
  // A progress bar repaints itself at once on a visible step; one per exchange would cost
  // more than the sort, so the position follows at a frame rate.
  QElapsedTimer sinceShown;
  bool exchanged;
  do {
    exchanged = false;
    f.Prubeh->show();
    f.Prubeh->setMaximum(grid->RowCount());
    const int last = grid->RowCount() - 2;
    for (int r = 1; r <= last; ++r) {
      if (!NameLess(grid->Cell(0, r + 1), grid->Cell(0, r))) continue;
      exchanged = true;
      if (!sinceShown.isValid() || sinceShown.elapsed() >= 40) {
        f.Prubeh->setValue(r);
        sinceShown.start();
      }
      const QString name = grid->Cell(0, r);
      const QString number = grid->Cell(1, r);
      grid->SetCell(0, r, grid->Cell(0, r + 1));
      grid->SetCell(1, r, grid->Cell(1, r + 1));
      grid->SetCell(0, r + 1, name);
      grid->SetCell(1, r + 1, number);
    }
  } while (exchanged);
  f.Prubeh->hide();
}

// Same order in one step: without the check, the writes of the bubble sort have no effect
// beyond the final order.
void stableSort(TForm1& f) {
  TNameValueGrid* grid = f.PhoneBook1;
  f.Prubeh->show();
  f.Prubeh->setMaximum(grid->RowCount());
  const QStringList lines = grid->Strings();
  const QStringList sorted = StableSortByName(lines);
  if (sorted != lines) grid->SetStrings(sorted);
  f.Prubeh->hide();
}

}  // namespace

void TForm1::FindClick() {
  if (!FindName->text().isEmpty()) {
    FindName->setText(UpperCaseAtoZ(FindName->text()));
    if (const int r = findRow(PhoneBook1, 0, FindName->text(), 1)) showMatch(*this, r);
  } else if (!FindPhone->text().isEmpty()) {
    if (const int r = findRow(PhoneBook1, 1, FindPhone->text(), 1)) showMatch(*this, r);
  }
}

void TForm1::FindNextClick() {
  if (FoundRow <= 0) return;
  if (!FindName->text().isEmpty()) {
    if (const int r = findRow(PhoneBook1, 0, FindName->text(), FoundRow + 1)) showMatch(*this, r);
  } else if (!FindPhone->text().isEmpty()) {
    if (const int r = findRow(PhoneBook1, 1, FindPhone->text(), FoundRow + 1)) showMatch(*this, r);
  }
}

void TForm1::SortClick() {
  if (Autoverify->isChecked())
    bubbleSort(*this);
  else
    stableSort(*this);
}
