// SPDX-License-Identifier: GPL-3.0-or-later
#include "admissions/DailyRecords.h"

#include <QDir>

#include "files/DurableFile.h"
#include "settings/MessageTexts.h"

DailyRecords::DailyRecords(const QString& folder, const QString& prefix,
                           const AdmissionClockForm& form, const FileCharset& charset)
    : folder(folder), prefix(prefix), form(form), charset(charset) {}

QString DailyRecords::FileOf(const QDate& day) const {
  return QDir(folder).filePath(DailyFileName(prefix, day, form));
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
  waiting.emplace_back(FileOf(day), bytes + "\r\n");
  return note;
}

void DailyRecords::Write() {
  while (!waiting.empty()) {
    AppendDurably(waiting.front().first, waiting.front().second);
    waiting.pop_front();
  }
}
