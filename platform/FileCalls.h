// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file system calls that durable writing makes, one by one, so that a test can make any of
// them fail as a disk does. Each returns 0 or the system's error number (errno).
#include <QByteArray>
#include <QString>
#include <QtGlobal>

class FileCalls {
 public:
  virtual ~FileCalls() = default;

  // For reading and appending. `create`: makes the file, EEXIST when it is there already.
  virtual int Open(const QString& path, bool create, int* fd) = 0;
  virtual int Size(int fd, qint64* size) = 0;
  // Up to n bytes from offset; fewer at the end of the file.
  virtual int Read(int fd, qint64 offset, qint64 n, QByteArray* bytes) = 0;
  // All the bytes at the end of the file. A failure may leave a part of them there.
  virtual int Write(int fd, const QByteArray& bytes) = 0;
  virtual int Truncate(int fd, qint64 size) = 0;
  virtual int Sync(int fd) = 0;
  // The descriptor is gone whatever the answer.
  virtual int Close(int fd) = 0;
  // The folder's entries (files made, renamed, removed) to the disk.
  virtual int SyncFolder(const QString& folder) = 0;
  // Puts `from` in place of `to` in one step.
  virtual int Rename(const QString& from, const QString& to) = 0;
  virtual int Remove(const QString& path) = 0;

  static FileCalls& System();
};
