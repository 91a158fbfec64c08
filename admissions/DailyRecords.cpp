// SPDX-License-Identifier: GPL-3.0-or-later
#include "admissions/DailyRecords.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "admissions/AdmissionRecord.h"
#include "files/TextFiles.h"
#include "settings/MessageTexts.h"

namespace {

// No stop leaves anywhere near this many records waiting.
constexpr qint64 MaxSpoolFileSize = 64 * 1024 * 1024;

}  // namespace

DailyRecords::DailyRecords(const QString& folder, const QString& prefix, const FileCharset& charset,
                           FileCalls* calls)
    : folder(folder), prefix(prefix), charset(charset), sink(calls) {}

QString DailyRecords::FileOf(const QDate& day) const {
  // The same name in every locale, and names that sort by date.
  return QDir(folder).filePath(prefix + day.toString(Qt::ISODate) + QStringLiteral(".csv"));
}

QString DailyRecords::SpoolFile() const {
  return QDir(folder).filePath(prefix + QStringLiteral("-waiting.spool"));
}

QString DailyRecords::Add(const QString& record, const QDate& day) {
  const qsizetype eq = record.indexOf(QLatin1Char('='));
  const QString line = AdmissionCsv({{record.left(eq), record.mid(eq + 1)}}).first();
  QString note;
  QByteArray bytes;
  try {
    bytes = charset.Encode(line);
  } catch (const EUnwritableText& e) {
    // A call is never dropped for a character: the line stays readable, in another set.
    bytes = line.toUtf8();
    note = e.Message + QLatin1Char(' ') + ErrorTexts().WrittenInUtf8;
  }
  sink.Queue({FileOf(day), bytes + "\r\n", line});
  return note;
}

qsizetype DailyRecords::Write() {
  const qsizetype before = sink.Waiting();
  auto settle = [&] {
    const qsizetype done = before - sink.Waiting();
    spooled = qMax<qsizetype>(0, spooled - done);
    // Left when it cannot go: its records, found in their files, are not written again.
    if (spoolLeft && spooled == 0) {
      try {
        sink.Remove(SpoolFile());
        spoolLeft = false;
      } catch (const EAdmissionFileError&) {
      }
    }
    return done;
  };
  try {
    sink.WriteQueued();
  } catch (const EAdmissionFileError&) {
    settle();
    throw;
  }
  return settle();
}

QStringList DailyRecords::WaitingLines() const {
  QStringList lines;
  for (const AdmissionSink::Record& r : sink.Queued())
    lines << QFileInfo(r.file).fileName() + QLatin1Char(' ') + r.text;
  return lines;
}

QString DailyRecords::textOf(const QByteArray& line) const {
  const FileCharset utf8 = FileCharset::Utf8();
  return (utf8.ReadAs(line) == utf8 ? utf8 : charset).Decode(line);
}

// One line a record: its day, a tab, where in the day's file it begins, a tab, its line.
qsizetype DailyRecords::TakeSpool() {
  if (!QFileInfo::exists(SpoolFile())) return 0;
  spoolUnread = true;
  const QByteArray bytes = ReadWholeFile(SpoolFile(), MaxSpoolFileSize);
  spoolUnread = false;
  qsizetype taken = 0;
  for (const QByteArray& entry : bytes.split('\n')) {
    if (entry.isEmpty()) continue;
    const QByteArray line = entry.endsWith('\r') ? entry.chopped(1) : entry;
    const QList<QByteArray> fields = line.split('\t');
    QDate day = QDate::fromString(QString::fromLatin1(fields.value(0)), Qt::ISODate);
    bool placed = false;
    qint64 at = fields.value(1).toLongLong(&placed);
    QByteArray record = line.mid(fields.value(0).size() + fields.value(1).size() + 2);
    // A line edited by hand still goes in: whole, into today's file.
    if (fields.size() < 3 || !day.isValid() || !placed) {
      day = QDate::currentDate();
      at = -1;
      record = line;
    }
    sink.Queue({FileOf(day), record + "\r\n", textOf(record), at});
    ++taken;
  }
  spooled += taken;
  spoolLeft = true;
  return taken;
}

void DailyRecords::Spill() {
  // Its records are in no other place: a new spool file must not take its place.
  if (spoolUnread) throw EAdmissionFileError(SpoolFile(), EEXIST);
  if (sink.Waiting() == 0) {
    if (spoolLeft) sink.Remove(SpoolFile());
    spoolLeft = false;
    return;
  }
  QByteArray spool;
  for (const AdmissionSink::Record& r : sink.Planned()) {
    const QString name = QFileInfo(r.file).fileName();
    const QDate day =
        QDate::fromString(name.mid(prefix.size(), name.size() - prefix.size() - 4), Qt::ISODate);
    spool +=
        day.toString(Qt::ISODate).toLatin1() + '\t' + QByteArray::number(r.at) + '\t' + r.bytes;
  }
  sink.Replace(SpoolFile(), spool);
  spoolLeft = true;
  spooled = sink.Waiting();
}
