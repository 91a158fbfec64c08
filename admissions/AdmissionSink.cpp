// SPDX-License-Identifier: GPL-3.0-or-later
#include "admissions/AdmissionSink.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <cerrno>

#include "files/TextFiles.h"
#include "platform/FileCalls.h"

EAdmissionFileError::EAdmissionFileError(const QString& fileName, int code)
    : EFileIOError(InOutErrorText(code, fileName)), FileName(fileName), Code(code) {}

namespace {

// Closed when a failure leaves the scope; close() where its answer counts.
class Descriptor {
 public:
  Descriptor(FileCalls& calls, int fd) : calls_(calls), fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) calls_.Close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int close() {
    const int fd = fd_;
    fd_ = -1;
    return calls_.Close(fd);
  }

 private:
  FileCalls& calls_;
  int fd_;
};

QString folderOf(const QString& file) { return QFileInfo(file).absolutePath(); }

}  // namespace

AdmissionSink::AdmissionSink(FileCalls* calls) : calls(calls ? calls : &FileCalls::System()) {}

void AdmissionSink::fail(const QString& file, int code) const {
  throw EAdmissionFileError(file, code);
}

void AdmissionSink::put(const QString& file, const QByteArray& bytes, Place& place) {
  int fd = -1;
  bool made = true;
  int e = calls->Open(file, true, &fd);
  if (e == EEXIST) {
    made = false;
    e = calls->Open(file, false, &fd);
  }
  if (e != 0) fail(file, e);
  // Made again (someone removed it): its new entry in the folder is not on the disk yet.
  if (made) settled.remove(file);
  Descriptor d(*calls, fd);
  qint64 start = -1;     // where the bytes begin
  bool touched = false;  // this try may have put some of them there
  auto giveUp = [&](int code) {
    // Taken back, nothing of this try is left: a line cut short would read as a record.
    if (made) {
      d.close();
      if (calls->Remove(file) == 0) place = Place();
    } else if (touched) {
      calls->Truncate(fd, start);
    }
    fail(file, code);
  };

  qint64 size = 0;
  if ((e = calls->Size(fd, &size))) giveUp(e);
  qsizetype have = 0;  // how many of the bytes are there already
  bool cut = false;    // what follows start is ours, and goes first
  if (place.at >= 0 && place.at <= size) {
    const qint64 n = qMin(size - place.at, qint64(place.left.size()));
    QByteArray there;
    if ((e = calls->Read(fd, place.at, n, &there))) giveUp(e);
    if (there == place.left.left(qsizetype(n))) {
      if (size > place.at + n) {
        // Whole, and more after it: an earlier process wrote it and went on.
        if (place.left.startsWith(bytes)) {
          start = place.at;
          have = bytes.size();
        }
      } else {
        start = place.at;
        // What a failed sync left may be in memory only: written again, it goes to the disk.
        if (bytes.startsWith(there) && (place.synced || n == 0))
          have = qsizetype(n);
        else
          cut = true;
      }
    }
  }
  if (start < 0) {
    // A last line left without its end (a power cut, an edit by hand) is ended first.
    QByteArray last = "\n";
    if (size > 0 && (e = calls->Read(fd, size - 1, 1, &last))) giveUp(e);
    if (last != "\n") {
      if ((e = calls->Write(fd, "\r\n"))) giveUp(e);
      size += 2;
    }
    start = size;
  }
  if (cut && (e = calls->Truncate(fd, start))) giveUp(e);

  if (have < bytes.size()) {
    place = Place{start, bytes, false};
    touched = true;
    if ((e = calls->Write(fd, bytes.mid(have)))) giveUp(e);
  } else {
    place = Place{start, bytes, place.synced};
  }
  if (!place.synced) {
    if ((e = calls->Sync(fd))) giveUp(e);
    place.synced = true;
  }
  // From here the bytes are on the disk: a failure leaves them, and the next try finds them.
  if ((e = d.close())) fail(file, e);
  syncFolderOnce(file);
}

void AdmissionSink::syncFolderOnce(const QString& file) {
  if (settled.contains(file)) return;
  if (const int e = calls->SyncFolder(folderOf(file))) fail(file, e);
  settled.insert(file);
}

void AdmissionSink::takeBack(const QString& file, const Place& place) {
  int fd = -1;
  if (place.at < 0 || calls->Open(file, false, &fd) != 0) return;
  Descriptor d(*calls, fd);
  qint64 size = 0;
  QByteArray there;
  if (calls->Size(fd, &size) != 0 || size < place.at || size - place.at > place.left.size() ||
      calls->Read(fd, place.at, size - place.at, &there) != 0 || !place.left.startsWith(there))
    return;
  if (calls->Truncate(fd, place.at) == 0) calls->Sync(fd);
}

void AdmissionSink::Append(const QString& file, const QByteArray& bytes) {
  // The log's rows go elsewhere now: they must not stay where the failed write left them.
  if (unfinished && unfinished->first != file) {
    takeBack(unfinished->first, unfinished->second);
    unfinished.reset();
  }
  Place place = unfinished ? unfinished->second : Place();
  try {
    put(file, bytes, place);
  } catch (const EAdmissionFileError&) {
    unfinished.emplace(file, place);
    throw;
  }
  unfinished.reset();
}

void AdmissionSink::Replace(const QString& file, const QByteArray& bytes) {
  const QFileInfo info(file);
  const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : file;
  QString temp;
  int fd = -1;
  int e = EEXIST;
  for (int n = 0; e == EEXIST && n < 100; ++n) {
    temp = target + QStringLiteral(".%1-%2.new").arg(QCoreApplication::applicationPid()).arg(n);
    e = calls->Open(temp, true, &fd);
  }
  if (e != 0) fail(file, e);
  if (info.exists()) QFile::setPermissions(temp, QFile::permissions(target));
  Descriptor d(*calls, fd);
  auto giveUp = [&](int code) {
    if (d.get() >= 0) d.close();
    calls->Remove(temp);
    fail(file, code);
  };
  if ((e = calls->Write(fd, bytes)) || (e = calls->Sync(fd)) || (e = d.close())) giveUp(e);
  if ((e = calls->Rename(temp, target))) giveUp(e);
  settled.remove(target);
  syncFolderOnce(target);
}

void AdmissionSink::Remove(const QString& file) {
  const int e = calls->Remove(file);
  if (e != 0 && e != ENOENT) fail(file, e);
  settled.remove(file);
  if (const int f = calls->SyncFolder(folderOf(file))) fail(file, f);
}

void AdmissionSink::Queue(const Record& record) {
  Entry w{record, Place()};
  if (record.at >= 0) w.place = Place{record.at, record.bytes, false};
  queue.push_back(w);
}

void AdmissionSink::WriteQueued() {
  while (!queue.empty()) {
    Entry& w = queue.front();
    put(w.record.file, w.record.bytes, w.place);
    queue.pop_front();
  }
}

QList<AdmissionSink::Record> AdmissionSink::Queued() const {
  QList<Record> records;
  for (const Entry& w : queue) records << w.record;
  return records;
}

qint64 AdmissionSink::endOf(const QString& file) {
  int fd = -1;
  const int e = calls->Open(file, false, &fd);
  if (e == ENOENT) return 0;
  if (e != 0) return -1;
  Descriptor d(*calls, fd);
  qint64 size = 0;
  QByteArray last = "\n";
  if (calls->Size(fd, &size) != 0 || (size > 0 && calls->Read(fd, size - 1, 1, &last) != 0))
    return -1;
  // A write ends an unended last line first.
  return last == "\n" ? size : size + 2;
}

QList<AdmissionSink::Record> AdmissionSink::Planned() {
  QHash<QString, qint64> next;  // where a file's next record begins
  QList<Record> planned;
  for (const Entry& w : queue) {
    Record r = w.record;
    if (w.place.at >= 0)
      r.at = w.place.at;
    else if (const auto it = next.constFind(r.file); it != next.constEnd())
      r.at = *it;
    else
      r.at = endOf(r.file);
    next[r.file] = r.at < 0 ? -1 : r.at + r.bytes.size();
    planned << r;
  }
  return planned;
}
