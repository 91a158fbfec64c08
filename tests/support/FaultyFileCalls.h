// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The system's file calls, one kind of which fails as a disk does: once or from then on, with
// the error number given. A write that fails leaves half its bytes, a sync or a close that
// fails has done its work first (the bytes may well be on the disk), the others fail before
// doing anything. Keeps the files made whose folder has not been synced since.
#include <QFileInfo>
#include <QSet>
#include <QString>

#include "platform/FileCalls.h"

class FaultyFileCalls : public FileCalls {
 public:
  enum class Call { Open, Size, Read, Write, Truncate, Sync, Close, SyncFolder, Rename, Remove };

  // The next call of that kind fails, and with `always` every one after it.
  void arm(Call call, bool always, int code) {
    armed = call;
    always_ = always;
    error = code;
    on = true;
  }
  void disarm() { on = false; }

  int struck = 0;          // failures so far
  QSet<QString> unsynced;  // files made, their folder not synced since

  int Open(const QString& path, bool create, int* fd) override {
    if (const int e = strike(Call::Open)) return e;
    const int e = real().Open(path, create, fd);
    if (e == 0 && create) unsynced.insert(QFileInfo(path).absoluteFilePath());
    return e;
  }
  int Size(int fd, qint64* size) override {
    if (const int e = strike(Call::Size)) return e;
    return real().Size(fd, size);
  }
  int Read(int fd, qint64 offset, qint64 n, QByteArray* bytes) override {
    if (const int e = strike(Call::Read)) return e;
    return real().Read(fd, offset, n, bytes);
  }
  int Write(int fd, const QByteArray& bytes) override {
    if (const int e = strike(Call::Write)) {
      real().Write(fd, bytes.left(bytes.size() / 2));
      return e;
    }
    return real().Write(fd, bytes);
  }
  int Truncate(int fd, qint64 size) override {
    if (const int e = strike(Call::Truncate)) return e;
    return real().Truncate(fd, size);
  }
  int Sync(int fd) override {
    const int r = real().Sync(fd);
    if (const int e = strike(Call::Sync)) return e;
    return r;
  }
  int Close(int fd) override {
    const int r = real().Close(fd);
    if (const int e = strike(Call::Close)) return e;
    return r;
  }
  int SyncFolder(const QString& folder) override {
    if (const int e = strike(Call::SyncFolder)) return e;
    const int r = real().SyncFolder(folder);
    if (r == 0) {
      const QString dir = QFileInfo(folder).absoluteFilePath();
      for (auto it = unsynced.begin(); it != unsynced.end();)
        it = QFileInfo(*it).absolutePath() == dir ? unsynced.erase(it) : std::next(it);
    }
    return r;
  }
  int Rename(const QString& from, const QString& to) override {
    if (const int e = strike(Call::Rename)) return e;
    const int r = real().Rename(from, to);
    if (r == 0 && unsynced.remove(QFileInfo(from).absoluteFilePath()))
      unsynced.insert(QFileInfo(to).absoluteFilePath());
    return r;
  }
  int Remove(const QString& path) override {
    if (const int e = strike(Call::Remove)) return e;
    const int r = real().Remove(path);
    if (r == 0) unsynced.remove(QFileInfo(path).absoluteFilePath());
    return r;
  }

 private:
  static FileCalls& real() { return FileCalls::System(); }
  int strike(Call call) {
    if (!on || call != armed) return 0;
    on = always_;
    ++struck;
    return error;
  }

  Call armed = Call::Open;
  bool always_ = false, on = false;
  int error = 0;
};
