// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QTemporaryFile>
#endif

#include "platform/Errors.h"

QString UserConfigFolder() {
  // GenericConfigLocation plus the program's name is what AppConfigLocation gives the program
  // named zulset on every platform; asking for it this way gives zulsim the same folder.
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return base.isEmpty() ? QString() : base + QStringLiteral("/zulset");
}

bool FolderWritable(const QString& dir) {
  const QFileInfo info(dir);
  if (!info.isDir()) return false;
#ifdef Q_OS_WIN
  // Permission bits say nothing about a folder's access list there: try it.
  QTemporaryFile probe(QDir(dir).filePath(QStringLiteral("zulset-probe-XXXXXX")));
  return probe.open();
#else
  // /usr is the package manager's: nothing is written there at run time, not even by root, so
  // that removing the package leaves nothing behind.
  const QString path = info.canonicalFilePath();
  if (path == QLatin1String("/usr") || path.startsWith(QLatin1String("/usr/"))) return false;
  return info.isWritable();
#endif
}

QString SettingsPlace::readFrom() const {
  if (!seed.isEmpty() && !QFileInfo::exists(file) && QFileInfo::exists(seed)) return seed;
  return file;
}

SettingsPlace LocateSettings(const QString& programFile, const QString& configDir) {
  const QFileInfo program(programFile);
  const QString name = program.fileName();
  const int dot = name.lastIndexOf(QLatin1Char('.'));
  const QString fileName = (dot > 0 ? name.left(dot) : name) + QStringLiteral(".ini");
  const QString beside = program.absolutePath() + QLatin1Char('/') + fileName;
  if (configDir.isEmpty() || FolderWritable(program.absolutePath())) return {beside, QString()};
  return {QDir(configDir).filePath(fileName), beside};
}

void PrepareSettingsFile(const SettingsPlace& place) {
  if (place.seed.isEmpty() || QFileInfo::exists(place.file)) return;
  const EIniFileError failure(ErrorTexts().UnableToWrite.arg(place.file));
  if (!QDir().mkpath(QFileInfo(place.file).absolutePath())) throw failure;
  QFile seed(place.seed);
  // A seed that cannot be read stays where it is; the settings start from the defaults.
  if (!seed.open(QIODevice::ReadOnly)) return;
  const QByteArray lines = seed.readAll();
  QSaveFile out(place.file);
  if (!out.open(QIODevice::WriteOnly) || out.write(lines) != lines.size() || !out.commit())
    throw failure;
}

QString PortLinkFolder(const QString& programDir, const QString& configDir) {
  if (configDir.isEmpty() || FolderWritable(programDir))
    return programDir + QStringLiteral("/ports");
  return configDir + QStringLiteral("/ports");
}
