// SPDX-License-Identifier: GPL-3.0-or-later
// Runs every fuzz target over the inputs kept for it, without a fuzzer: the seeds of
// tests/fuzz/corpus/<target>/ and the findings of tests/fuzz/regressions/<target>/. A check
// that fails ends it, after the name of the input.
//
//   fuzz_replay [DIR]                  every target over DIR/corpus and DIR/regressions
//   fuzz_replay TARGET FILE|DIR...     one target over the files given (a fuzzer's crash-...)
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "fuzz/FuzzTarget.h"

namespace {

int replay(const FuzzTargetInfo& target, const QString& path) {
  QStringList files;
  if (QFileInfo(path).isDir()) {
    // Seeds kept elsewhere in the tree are linked in as folders (tests/data, the translations).
    QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (it.hasNext()) files << it.next();
    files.sort();
  } else if (QFileInfo::exists(path)) {
    files << path;
  }
  for (const QString& name : files) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
      std::exit(2);
    }
    std::fprintf(stderr, "%s: %s\n", target.name, qPrintable(name));
    target.entry(file.readAll());
  }
  return int(files.size());
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  int inputs = 0;
  if (args.size() >= 2) {
    for (const FuzzTargetInfo& t : FuzzTargets()) {
      if (args[0] != QLatin1String(t.name)) continue;
      for (const QString& path : args.mid(1)) inputs += replay(t, path);
      std::printf("%d inputs of %s replayed\n", inputs, t.name);
      return 0;
    }
    std::fprintf(stderr, "no fuzz target %s\n", qPrintable(args[0]));
    return 2;
  }
  const QDir dir(args.value(0, QStringLiteral(ZUL_FUZZ_DIR)));
  for (const FuzzTargetInfo& t : FuzzTargets()) {
    int n = replay(t, dir.filePath(QStringLiteral("corpus/%1").arg(t.name)));
    n += replay(t, dir.filePath(QStringLiteral("regressions/%1").arg(t.name)));
    if (n == 0) {
      std::fprintf(stderr, "%s: no input kept\n", t.name);
      return 1;
    }
    inputs += n;
  }
  std::printf("%d inputs of %lld targets replayed\n", inputs, qlonglong(FuzzTargets().size()));
  return 0;
}
