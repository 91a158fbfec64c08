// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileCalls.h"

#include <QFile>
#include <cerrno>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <stdio.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

int lastError() { return errno != 0 ? errno : EIO; }

#ifdef Q_OS_WIN

class SystemCalls final : public FileCalls {
 public:
  int Open(const QString& path, bool create, int* fd) override {
    int flags = _O_RDWR | _O_APPEND | _O_BINARY | _O_NOINHERIT;
    if (create) flags |= _O_CREAT | _O_EXCL;
    return _wsopen_s(fd, reinterpret_cast<const wchar_t*>(path.utf16()), flags, _SH_DENYNO,
                     _S_IREAD | _S_IWRITE);
  }
  int Size(int fd, qint64* size) override {
    *size = _filelengthi64(fd);
    return *size < 0 ? lastError() : 0;
  }
  int Read(int fd, qint64 offset, qint64 n, QByteArray* bytes) override {
    bytes->resize(qsizetype(n));
    if (_lseeki64(fd, offset, SEEK_SET) < 0) return lastError();
    qint64 got = 0;
    while (got < n) {
      const int r = _read(fd, bytes->data() + got, unsigned(qMin<qint64>(n - got, 1 << 30)));
      if (r < 0) return lastError();
      if (r == 0) break;
      got += r;
    }
    bytes->resize(qsizetype(got));
    return 0;
  }
  int Write(int fd, const QByteArray& bytes) override {
    qint64 done = 0;
    while (done < bytes.size()) {
      const int n = _write(fd, bytes.constData() + done,
                           unsigned(qMin<qint64>(bytes.size() - done, 1 << 30)));
      if (n <= 0) return n == 0 ? EIO : lastError();
      done += n;
    }
    return 0;
  }
  int Truncate(int fd, qint64 size) override { return _chsize_s(fd, size); }
  int Sync(int fd) override { return _commit(fd) == 0 ? 0 : lastError(); }
  int Close(int fd) override { return _close(fd) == 0 ? 0 : lastError(); }
  // The folder's entry is written with the file's own metadata.
  int SyncFolder(const QString&) override { return 0; }
  int Rename(const QString& from, const QString& to) override {
    if (MoveFileExW(reinterpret_cast<const wchar_t*>(from.utf16()),
                    reinterpret_cast<const wchar_t*>(to.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return 0;
    switch (GetLastError()) {
      case ERROR_ACCESS_DENIED:
        return EACCES;
      case ERROR_DISK_FULL:
        return ENOSPC;
      default:
        return EIO;
    }
  }
  int Remove(const QString& path) override {
    return _wremove(reinterpret_cast<const wchar_t*>(path.utf16())) == 0 ? 0 : lastError();
  }
};

#else

class SystemCalls final : public FileCalls {
 public:
  int Open(const QString& path, bool create, int* fd) override {
    const QByteArray name = QFile::encodeName(path);
    int flags = O_RDWR | O_APPEND | O_CLOEXEC;
    if (create) flags |= O_CREAT | O_EXCL;
    do {
      *fd = ::open(name.constData(), flags, 0666);
    } while (*fd < 0 && errno == EINTR);
    return *fd < 0 ? lastError() : 0;
  }
  int Size(int fd, qint64* size) override {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return lastError();
    *size = st.st_size;
    return 0;
  }
  int Read(int fd, qint64 offset, qint64 n, QByteArray* bytes) override {
    bytes->resize(qsizetype(n));
    qint64 got = 0;
    while (got < n) {
      const ssize_t r = ::pread(fd, bytes->data() + got, size_t(n - got), off_t(offset + got));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return lastError();
      if (r == 0) break;
      got += r;
    }
    bytes->resize(qsizetype(got));
    return 0;
  }
  int Write(int fd, const QByteArray& bytes) override {
    qint64 done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return n == 0 ? EIO : lastError();
      done += n;
    }
    return 0;
  }
  int Truncate(int fd, qint64 size) override {
    int r;
    do {
      r = ::ftruncate(fd, off_t(size));
    } while (r != 0 && errno == EINTR);
    return r != 0 ? lastError() : 0;
  }
  int Sync(int fd) override { return ::fsync(fd) == 0 ? 0 : lastError(); }
  int Close(int fd) override { return ::close(fd) == 0 ? 0 : lastError(); }
  int SyncFolder(const QString& folder) override {
    const QByteArray name = QFile::encodeName(folder);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return lastError();
    const int r = ::fsync(fd) == 0 ? 0 : lastError();
    ::close(fd);
    return r;
  }
  int Rename(const QString& from, const QString& to) override {
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0
               ? 0
               : lastError();
  }
  int Remove(const QString& path) override {
    return ::unlink(QFile::encodeName(path).constData()) == 0 ? 0 : lastError();
  }
};

#endif

}  // namespace

FileCalls& FileCalls::System() {
  static SystemCalls calls;
  return calls;
}
