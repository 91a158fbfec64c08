// SPDX-License-Identifier: GPL-3.0-or-later
#include "admissions/AdmissionFeed.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "files/FileCharset.h"
#include "platform/Errors.h"

namespace {

const char kCursorHead[] = "zulset delivered 1";

[[noreturn]] void failOn(const QString& file, const char* what) {
  throw EFileError(QStringLiteral("Cannot %1 \"%2\". %3")
                       .arg(QLatin1String(what), file, QString::fromLocal8Bit(strerror(errno))));
}

void syncPath(const QString& path, int flags) {
  const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
  if (fd < 0) failOn(path, "open");
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  if (!synced) failOn(path, "sync");
}

QDate isoDateOf(const QString& name, const QString& prefix) {
  // prefix, yyyy-MM-dd, ".csv"
  if (name.size() != prefix.size() + 14) return QDate();
  return QDate::fromString(name.mid(prefix.size(), 10), Qt::ISODate);
}

}  // namespace

AdmissionFields ReadAdmissionLine(const QString& text, const AdmissionClockForm& form,
                                  const QDate& near) {
  AdmissionFields f;
  const qsizetype semicolon = text.indexOf(QLatin1Char(';'));
  if (semicolon < 0) return f;
  f.at = AdmissionKeyTime(text.left(semicolon), form, near);
  // A name or number may hold ";": the key ends at the first, the relay follows the last "  /".
  static const QRegularExpression value(QStringLiteral("^(.*)  \\(phone: (.*)\\)  /(.*)$"));
  const QRegularExpressionMatch m = value.match(text.mid(semicolon + 1));
  if (m.hasMatch()) {
    f.caller = m.captured(1);
    f.number = m.captured(2);
    f.relay = m.captured(3);
  }
  return f;
}

QStringList DailyFilesInOrder(const QString& folder, const QString& prefix) {
  struct Entry {
    QDate iso;  // named by ISO date: after every file of the older naming
    QDateTime changed;
    QString name;
  };
  QList<Entry> order;
  for (const QFileInfo& f :
       QDir(folder).entryInfoList({prefix + QStringLiteral("*.csv")}, QDir::Files, QDir::Name))
    order.append({isoDateOf(f.fileName(), prefix), f.lastModified(), f.fileName()});
  std::stable_sort(order.begin(), order.end(), [](const Entry& a, const Entry& b) {
    if (a.iso.isValid() != b.iso.isValid()) return b.iso.isValid();
    return a.iso.isValid() ? a.iso < b.iso : a.changed < b.changed;
  });
  QStringList names;
  for (const Entry& e : order) names << e.name;
  return names;
}

AdmissionFeed::AdmissionFeed(const QString& folder, const QString& prefix, const QString& target)
    : folder(folder), prefix(prefix), target(QString(target).replace(QLatin1Char('\n'), ' ')) {}

QString AdmissionFeed::CursorFile() const {
  return QDir(folder).filePath(QStringLiteral(".zulset-delivered"));
}

bool AdmissionFeed::Load() {
  places.clear();
  QFile f(CursorFile());
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QList<QByteArray> lines = f.readAll().split('\n');
  if (lines.size() < 2 || lines[0] != kCursorHead || QString::fromUtf8(lines[1]) != target)
    return false;
  for (const QByteArray& line : lines.mid(2)) {
    const QList<QByteArray> field = line.split('\t');
    if (field.size() != 3) continue;
    places[QString::fromUtf8(field[2])] = {field[0].toInt(), field[1].toLongLong()};
  }
  return true;
}

AdmissionFeed::Place& AdmissionFeed::placeOf(const QString& file) {
  Place& p = places[file];
  // A file that is shorter than the cursor says was not only appended to: read it anew.
  if (QFileInfo(QDir(folder).filePath(file)).size() < p.offset) p = Place();
  return p;
}

QList<FeedLine> AdmissionFeed::Next(int max) {
  QList<FeedLine> out;
  const FileCharset charset = FileCharset::System();
  for (const QString& name : DailyFilesInOrder(folder, prefix)) {
    if (out.size() >= max) break;
    const QString path = QDir(folder).filePath(name);
    const Place place = placeOf(name);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) failOn(path, "read");
    if (f.size() <= place.offset) continue;
    if (!folderSynced) {
      syncPath(folder, O_RDONLY | O_DIRECTORY);
      folderSynced = true;
    }
    if (::fsync(f.handle()) != 0) failOn(path, "sync");
    f.seek(place.offset);
    const QByteArray tail = f.readAll();
    const QDate iso = isoDateOf(name, prefix);
    const QDate near = iso.isValid() ? iso : QFileInfo(path).lastModified().date();
    qsizetype at = 0;
    for (int line = place.lines + 1; out.size() < max; ++line) {
      const qsizetype lf = tail.indexOf('\n', at);
      if (lf < 0) break;
      QByteArray bytes = tail.mid(at, lf - at);
      if (bytes.endsWith('\r')) bytes.chop(1);
      at = lf + 1;
      out.append({name, line, charset.Decode(bytes), near, place.offset + at});
    }
  }
  return out;
}

qsizetype AdmissionFeed::Waiting() {
  qsizetype count = 0;
  for (const QString& name : DailyFilesInOrder(folder, prefix)) {
    QFile f(QDir(folder).filePath(name));
    if (!f.open(QIODevice::ReadOnly) || !f.seek(placeOf(name).offset)) continue;
    count += f.readAll().count('\n');
  }
  return count;
}

void AdmissionFeed::Confirm(const QList<FeedLine>& lines) {
  if (lines.isEmpty()) return;
  for (const FeedLine& l : lines) places[l.file] = {l.line, l.end};
  // Files gone from the folder leave the cursor.
  QByteArray bytes = QByteArray(kCursorHead) + '\n' + target.toUtf8() + '\n';
  for (auto it = places.begin(); it != places.end();) {
    if (!QFileInfo::exists(QDir(folder).filePath(it.key()))) {
      it = places.erase(it);
      continue;
    }
    bytes += QByteArray::number(it->lines) + '\t' + QByteArray::number(it->offset) + '\t' +
             it.key().toUtf8() + '\n';
    ++it;
  }
  // Written beside it, synced, then put in its place: a cut leaves the old cursor or the new.
  const QString file = CursorFile(), fresh = file + QStringLiteral(".new");
  {
    QFile f(fresh);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() ||
        !f.flush())
      failOn(fresh, "write");
    if (::fsync(f.handle()) != 0) failOn(fresh, "sync");
  }
  if (::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(file).constData()) != 0)
    failOn(file, "write");
  syncPath(folder, O_RDONLY | O_DIRECTORY);
}
