// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DurableFile.h"

#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <cerrno>
#include <cstring>

#include "platform/Errors.h"

#ifdef Q_OS_WIN
#include <io.h>
#endif
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

[[noreturn]] void fail(const QString& fileName, const QString& reason) {
  throw EFCreateError(ErrorTexts().CannotWriteFile.arg(fileName, reason));
}

}  // namespace

#ifdef Q_OS_UNIX

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // The close is checked: some file systems report a failed write only there.
  int close() {
    const int r = ::close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

[[noreturn]] void failErrno(const QString& fileName, int err) {
  fail(fileName, QString::fromLocal8Bit(std::strerror(err)));
}

bool writeAll(int fd, const QByteArray& bytes) {
  const char* p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, size_t(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    p += n;
    left -= n;
  }
  return true;
}

}  // namespace

void AppendDurably(const QString& fileName, const QByteArray& bytes) {
  const QByteArray path = QFile::encodeName(fileName);
  bool made = true;
  int raw = ::open(path.constData(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (raw < 0 && errno == EEXIST) {
    made = false;
    raw = ::open(path.constData(), O_RDWR | O_APPEND | O_CLOEXEC);
  }
  if (raw < 0) failErrno(fileName, errno);
  Fd fd(raw);

  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) failErrno(fileName, errno);
  QByteArray added = bytes;
  char last = '\n';
  if (st.st_size > 0 && ::pread(fd.get(), &last, 1, st.st_size - 1) != 1)
    failErrno(fileName, errno);
  if (last != '\n') added.prepend("\r\n");

  if (!writeAll(fd.get(), added) || ::fsync(fd.get()) != 0) {
    const int err = errno;
    // A line cut short would read as a record of its own.
    if (::ftruncate(fd.get(), st.st_size) == 0) ::fsync(fd.get());
    failErrno(fileName, err);
  }
  if (fd.close() != 0) failErrno(fileName, errno);
  if (made) {
    // The new file's name lives in its folder: without this a power cut can lose the file.
    const QByteArray folder = QFile::encodeName(QFileInfo(fileName).absolutePath());
    Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || ::fsync(dir.get()) != 0) failErrno(fileName, errno);
  }
}

#else

void AppendDurably(const QString& fileName, const QByteArray& bytes) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
    fail(fileName, file.errorString());
  const qint64 size = file.size();
  QByteArray added = bytes;
  char last = '\n';
  if (size > 0 && !(file.seek(size - 1) && file.getChar(&last))) fail(fileName, file.errorString());
  if (last != '\n') added.prepend("\r\n");
  bool written = file.write(added) == added.size() && file.flush();
#ifdef Q_OS_WIN
  written = written && _commit(file.handle()) == 0;
#endif
  if (!written) {
    const QString reason = file.errorString();
    file.resize(size);
    fail(fileName, reason);
  }
  file.close();
}

#endif
