// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The unattended logger's files: each admission record, as it comes, at the end of the file of
// its day, folder/<prefix><yyyy-mm-dd>.csv, on the disk before the next is written. A record
// that cannot be written (a full disk, a folder gone) waits, in order, and goes out with the
// next write that works. What still waits at a stop is handed on in the spool file beside the
// daily files, folder/<prefix>-waiting.spool, which the next start writes out first; no record
// is written twice, whatever of it an earlier try left on the disk.
#include <QDate>
#include <QString>
#include <QStringList>

#include "admissions/AdmissionSink.h"
#include "files/FileCharset.h"

class FileCalls;

class DailyRecords {
 public:
  DailyRecords(const QString& folder, const QString& prefix, const FileCharset& charset,
               FileCalls* calls = nullptr);

  QString FileOf(const QDate& day) const;
  QString SpoolFile() const;
  // Queues the record (date time=name  (phone: number)  /relay) for the file of `day`. A
  // record the files' character set cannot hold goes in UTF-8, and the returned text says so
  // (empty otherwise).
  QString Add(const QString& record, const QDate& day);
  // Writes what waits, oldest first, and returns how many went out; raises
  // EAdmissionFileError for the first failure, the rest waiting.
  qsizetype Write();
  qsizetype Waiting() const { return sink.Waiting(); }
  // What waits: each record's file name, a blank and its line ("date time;name ...").
  QStringList WaitingLines() const;

  // The start: the records a stop left in the spool file, queued before any other; how many.
  // Raises EFileError when the spool file is there but cannot be read.
  qsizetype TakeSpool();
  // The stop: what waits goes into the spool file in place of what it held, and a spool file
  // whose records are all written is removed. Raises EAdmissionFileError when it cannot be, or
  // when the spool file there could not be read at the start.
  void Spill();

 private:
  QString textOf(const QByteArray& line) const;

  QString folder, prefix;
  FileCharset charset;
  AdmissionSink sink;
  qsizetype spooled = 0;     // records of the spool file still waiting
  bool spoolLeft = false;    // a spool file is there, its records written or waiting
  bool spoolUnread = false;  // one is there that could not be read
};
