// The admission log on the ADMISSIONS page and its files.
#include <QCheckBox>
#include <QLineEdit>

#include "admissions/AdmissionRecord.h"
#include "app/Form1.h"
#include "phonebook/NameValueGrid.h"
#include "platform/Dialogs.h"

namespace {

// Every row from the first to the last; an empty log gives its one blank row.
QList<AdmissionRow> GridRows(const TNameValueGrid& grid) {
  QList<AdmissionRow> rows;
  for (int r = 1; r < grid.RowCount(); ++r) rows.append({grid.Cell(0, r), grid.Cell(1, r)});
  return rows;
}

}  // namespace

void TForm1::EnterAdmission(const QString& record, const QDateTime& at) {
  if (Link.AdmisFresh) {
    AdmisRec->SetStrings({record});
    Link.AdmisFresh = false;
    return;
  }
  if (!Automat->isChecked()) {
    AdmisRec->AddLine(record);
    return;
  }
  const AdmissionClockForm form = SystemClockForm();
  const QDate today = at.date();
  // A call is never lost: when the old log cannot be read or closed, the record joins it and
  // the error is shown.
  try {
    if (AdmissionKeyDate(AdmisRec->Cell(0, 1), form, today) == AdmissionDate(today, form)) {
      AdmisRec->AddLine(record);
      return;
    }
    // The name may be taken already (the clock set back, or no call for days): the rows go
    // after what that file holds.
    AppendAdmissionFile(DailyFileName(SaveFile->text(), today.addDays(-1), form),
                        GridRows(*AdmisRec));
  } catch (...) {
    AdmisRec->AddLine(record);
    throw;
  }
  AdmisRec->SetStrings({record});
}

void TForm1::RelAChange() { Link.RelayName = RelA->text(); }

void TForm1::SavClick() {
  const QString fileName =
      Env.dialogs->saveFile(QStringLiteral("Excel / comma separated files (*.csv)"));
  if (fileName.isEmpty()) return;
  WriteAdmissionFile(fileName, GridRows(*AdmisRec));
  Link.AdmisFresh = true;
  AdmisRec->Clear();
}
