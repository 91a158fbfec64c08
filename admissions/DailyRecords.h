// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The unattended logger's files: each admission record, as it comes, at the end of the file
// of its day, folder/<prefix><date>.csv (the date in the form of the records' keys), on the
// disk before the next call can come. A record that cannot be written (a full disk, a folder
// gone) waits, in order, and goes out with the next write that works: none is dropped and
// none written twice.
#include <QDate>
#include <QString>
#include <deque>
#include <utility>

#include "admissions/AdmissionRecord.h"
#include "files/FileCharset.h"

class DailyRecords {
 public:
  DailyRecords(const QString& folder, const QString& prefix, const AdmissionClockForm& form,
               const FileCharset& charset);

  QString FileOf(const QDate& day) const;
  // Queues the record (date time=name  (phone: number)  /relay) for the file of `day`. A
  // record the files' character set cannot hold goes in UTF-8, and the returned text says so
  // (empty otherwise).
  QString Add(const QString& record, const QDate& day);
  // Writes what waits, oldest first; raises the first failure, the rest waiting.
  void Write();
  qsizetype Waiting() const { return waiting.size(); }

 private:
  QString folder, prefix;
  AdmissionClockForm form;
  FileCharset charset;
  std::deque<std::pair<QString, QByteArray>> waiting;  // file, the line's bytes
};
