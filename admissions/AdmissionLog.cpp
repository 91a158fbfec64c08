// SPDX-License-Identifier: GPL-3.0-or-later
// The admission log: each record placed in the log, and the daily files.
#include <QDateTime>

#include "admissions/AdmissionRecord.h"
#include "link/LinkCore.h"

namespace {

// Every row from the first to the last, as the log's grid shows them: an empty log gives its
// one blank row, a line without "=" is a value without a key.
QList<AdmissionRow> LogRows(const QStringList& lines) {
  QList<AdmissionRow> rows;
  for (const QString& line : lines) {
    const int eq = line.indexOf(QLatin1Char('='));
    rows.append(eq < 0 ? AdmissionRow{QString(), line}
                       : AdmissionRow{line.left(eq), line.mid(eq + 1)});
  }
  if (rows.isEmpty()) rows.append({QString(), QString()});
  return rows;
}

}  // namespace

void LinkCore::EnterAdmission(const QString& record, const QDateTime& at) {
  face->Admitted(record, at);
  if (!KeepAdmissionLog) return;
  auto place = [this](LogChange change, const QString& line) {
    if (change == LogChange::Replaced)
      AdmissionLines = {line};
    else
      AdmissionLines << line;
    face->AdmissionsChanged(change);
  };
  if (Link.AdmisFresh) {
    Link.AdmisFresh = false;
    place(LogChange::Replaced, record);
    return;
  }
  if (!Automat) {
    place(LogChange::Added, record);
    return;
  }
  const AdmissionClockForm form = SystemClockForm();
  const QDate today = at.date();
  const QList<AdmissionRow> rows = LogRows(AdmissionLines);
  // A call is never lost: when the old log cannot be read or closed, the record joins it and
  // the error is shown.
  try {
    if (AdmissionKeyDate(rows.first().first, form, today) == AdmissionDate(today, form)) {
      place(LogChange::Added, record);
      return;
    }
    // The name may be taken already (the clock set back, or no call for days): the rows go
    // after what that file holds.
    const QString name = DailyFileName(DailyFile, today.addDays(-1), form);
    // Returns once the rows are on the disk: only then may the log let go of them.
    Sink.Append(name, AdmissionFileBytes(name, rows));
  } catch (...) {
    place(LogChange::Added, record);
    throw;
  }
  place(LogChange::Replaced, record);
}
