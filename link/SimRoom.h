// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The room a phone book write has on the SIM. The unit puts a row in its first free entry, so
// a row sent with only entry N free would land in N, which the program keeps for OUT and
// neither reads nor erases: a caller hidden there could never be removed. What is known here
// only ever errs towards too few free entries. Pure.
#include <QByteArray>
#include <QSet>
#include <QString>
#include <QtGlobal>

class SimRoom {
 public:
  // Before the census of entries 1 to capacity: every entry below N is free, N holds nothing.
  void Start(qint32 capacity);
  // A line of the census. Entries found again (the census sent again) count once; a line
  // whose index cannot be read (bytes lost on the line) counts as one more entry below N.
  void Found(const QByteArray& line);
  // Nothing is known: no entry below N counts as free.
  void Unknown() { unknown_ = true; }
  // RTIME and OUT have entries of their own; any other row fits while an entry below N is free.
  bool Fits(const QByteArray& name) const;
  // The unit took the row, or may have (its answer was lost). RTIME may have taken a free
  // entry; OUT takes the place of whatever entry N held.
  void Taken(const QByteArray& name);
  qint32 Free() const;
  // What entry N holds, as name=number, when that is not OUT: a caller no read shows.
  const QString& Hidden() const { return hidden_; }

 private:
  qint32 capacity_ = 0;
  QSet<qint32> found_;  // entries below N the census listed
  qint32 unreadable_ = 0;
  qint32 rows_ = 0;  // rows written since
  bool unknown_ = false;
  QString hidden_;
};
