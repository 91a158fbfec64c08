// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the admission records of every face are written: the window's daily file, its manual
// save and the file its records are kept in at an end it cannot refuse; the logger's daily
// files and what a stop leaves waiting. On the disk means: the bytes written and synced, and
// the file's folder synced as well when this process had not yet done so since the file was
// made. Each record goes in once and whole, whatever the disk does: before a write is tried
// again, what the file holds where the earlier try went is read, so a part of it left there is
// taken back, and bytes that made it are not written twice.
#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <deque>
#include <optional>
#include <utility>

#include "platform/Errors.h"

class FileCalls;

// A file that could not be written. The message is the plain input/output text ("Disk full",
// "Invalid filename", ...); the file and the system's error number are there for a face that
// words it otherwise.
class EAdmissionFileError : public EFileIOError {
 public:
  EAdmissionFileError(const QString& fileName, int code);
  QString FileName;
  int Code;
};

class AdmissionSink {
 public:
  // calls: the file system's (null: the system's own).
  explicit AdmissionSink(FileCalls* calls = nullptr);

  // ---- one write at a time: the window's log ----

  // Puts the bytes at the end of the file (made when missing) and returns once they are on the
  // disk; raises EAdmissionFileError otherwise. A failed call is remembered: the next one to the
  // same file (the log's rows again, more or edited) takes back what the failed one left there
  // or completes it; one to another file takes it back first.
  void Append(const QString& file, const QByteArray& bytes);
  // Puts the bytes in place of the file's (a link: of its target's): a new file beside it,
  // synced, renamed over it, the folder synced. A failure raises and leaves the old file as it
  // was.
  void Replace(const QString& file, const QByteArray& bytes);
  // The file gone from its folder, on the disk; one that is not there is no failure.
  void Remove(const QString& file);

  // ---- records that wait their turn: the logger ----

  struct Record {
    QString file;
    QByteArray bytes;  // one whole line, "\r\n" ended
    QString text;      // the line as text, to tell of it
    qint64 at = -1;    // where in the file its bytes begin, when a try or a plan has said
  };
  // At the end of the queue. A record with `at` (handed on from an earlier process) that finds
  // its bytes there is not written again.
  void Queue(const Record& record);
  // Writes what waits, oldest first, each on the disk before the next; raises the first failure,
  // that record and the ones after it waiting still.
  void WriteQueued();
  qsizetype Waiting() const { return qsizetype(queue.size()); }
  QList<Record> Queued() const;
  // What waits, in order, each with the place in its file where it is to begin: queued again
  // with those places by a later process, each lands once, whatever of them this one's tries
  // left on the disk.
  QList<Record> Planned();

 private:
  // What an earlier try of bytes may have left in a file.
  struct Place {
    qint64 at = -1;       // where its bytes begin; -1: nothing tried
    QByteArray left;      // the bytes it put or was putting there
    bool synced = false;  // they are on the disk, as far as they got there
  };
  struct Entry {
    Record record;
    Place place;
  };

  void put(const QString& file, const QByteArray& bytes, Place& place);
  void takeBack(const QString& file, const Place& place);
  void syncFolderOnce(const QString& file);
  // Where a record added now would begin: after the bytes, and the end of a last line left
  // without one; -1 when the file cannot be read.
  qint64 endOf(const QString& file);
  [[noreturn]] void fail(const QString& file, int code) const;

  FileCalls* calls;
  std::deque<Entry> queue;
  // The window's last Append that failed, and its file.
  std::optional<std::pair<QString, Place>> unfinished;
  // Files whose folder was synced since they were made (the set of this process).
  QSet<QString> settled;
};
