// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the logger's daily files hold beyond what a database has confirmed. The files stay the
// record of truth and the spool: the feed only reads them. A record is known for good by its
// file and its line there; the cursor (per file, the lines confirmed) is kept on the disk in
// the folder, so that a restart sends again nothing that was confirmed.
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "admissions/AdmissionRecord.h"

// One record line of a daily file.
struct FeedLine {
  QString file;    // the name, without the folder
  int line = 0;    // from 1
  QString text;    // without its line end
  QDate near;      // the day the file stands for, to read a two-digit year by
  qint64 end = 0;  // where the next line starts
};

// The parts of a record line "date time;name  (phone: number)  /relay". `at` is invalid, and
// the names empty, where the line does not have that form.
struct AdmissionFields {
  QDateTime at;  // local time
  QString caller, number, relay;
};
AdmissionFields ReadAdmissionLine(const QString& text, const AdmissionClockForm& form,
                                  const QDate& near);

// The daily files <prefix>*.csv in folder, oldest first: those with an ISO date after the
// prefix (admiss2026-12-09.csv) by that date, after the others, which go by their last change.
QStringList DailyFilesInOrder(const QString& folder, const QString& prefix);

class AdmissionFeed {
 public:
  // `target` names where the records go (the unit and the database): a cursor the folder keeps
  // for another target is not this one's.
  AdmissionFeed(const QString& folder, const QString& prefix, const QString& target);

  // Reads the cursor; false when the folder holds none for this target (every line pending).
  bool Load();
  // Up to `max` lines beyond what was confirmed, in order. Each file is synced to the disk
  // before its lines are given (its folder too, the first time): no record goes out that a
  // power cut could still take from its file. A line not yet ended is not given. Raises
  // EFileError when a file cannot be read.
  QList<FeedLine> Next(int max);
  // How many lines wait beyond the cursor, in every file.
  qsizetype Waiting();
  // The lines Next() gave are confirmed: the cursor moves past them, on the disk before this
  // returns. Raises EFileError when it cannot be written (the lines then go again).
  void Confirm(const QList<FeedLine>& lines);

  QString CursorFile() const;

 private:
  struct Place {
    int lines = 0;
    qint64 offset = 0;
  };
  Place& placeOf(const QString& file);

  QString folder, prefix, target;
  QMap<QString, Place> places;
  bool folderSynced = false;
};
