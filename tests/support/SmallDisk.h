// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small disk of a test's own: a tmpfs mounted on a folder, in a mount namespace of this
// process (and the programs it starts), so that nothing outside sees it and it goes with the
// process. PrivateMounts() enters that namespace; it must run before any thread starts (from
// main, or a static initializer). Where the system refuses (no privilege), Mounted() is false
// and the test takes another way to a full disk.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#ifdef Q_OS_LINUX
#include <sched.h>
#include <sys/mount.h>
#endif

inline bool PrivateMounts() {
#ifdef Q_OS_LINUX
  static const bool entered = ::unshare(CLONE_NEWNS) == 0 &&
                              ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  return entered;
#else
  return false;
#endif
}

class SmallDisk {
 public:
  SmallDisk(const QString& folder, int kib) : folder_(folder) {
#ifdef Q_OS_LINUX
    const QByteArray size = "size=" + QByteArray::number(kib) + "k";
    mounted_ =
        PrivateMounts() && QDir().mkpath(folder) &&
        ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, size.constData()) == 0;
#else
    (void)kib;
#endif
  }
  ~SmallDisk() {
#ifdef Q_OS_LINUX
    if (mounted_) ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
#endif
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return mounted_; }
  // Takes every block that is left (of the small disk only); Free() gives them back.
  void Fill() {
    QFile filler(filler_());
    if (!mounted_ || !filler.open(QIODevice::WriteOnly)) return;
    const QByteArray block(4096, '\0');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
  }
  void Free() { QFile::remove(filler_()); }

 private:
  QString filler_() const { return QDir(folder_).filePath(QStringLiteral(".filler")); }
  QString folder_;
  bool mounted_ = false;
};
