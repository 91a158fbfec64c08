// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Admission records and their files: the record text, the date and time form of its key,
// the daily file name and the comma-separated bytes. No widgets.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QString>
#include <QStringList>

#include "files/FileCharset.h"

// The one form the keys are written in and read back with.
struct AdmissionClockForm {
  QLocale locale;  // month names, AM/PM texts
  QString date;    // e.g. "d.M.yyyy"
  QString time;    // e.g. "HH:mm:ss"
};

// The system's short date form and long time form, the latter without a time zone part.
AdmissionClockForm SystemClockForm();
AdmissionClockForm ClockFormOf(const QLocale& locale);
// Drops the time zone fields (unquoted runs of "t") and what they leave: blanks, empty
// brackets, a closing comma.
QString WithoutTimeZone(const QString& timeForm);

QString AdmissionDate(const QDate& date, const AdmissionClockForm& form);
// Date, a blank, time.
QString AdmissionKey(const QDateTime& at, const AdmissionClockForm& form);
// key=name  (phone: number)  /relay
QString AdmissionRecord(const QString& key, const QByteArray& name, const QByteArray& number,
                        const QString& relayName);

// The date part of a key, in the date form. A two-digit year is taken in the century that
// puts a valid date nearest to `near`. Raises EConvertError
// "'<key>' is not a valid date and time".
QString AdmissionKeyDate(const QString& key, const AdmissionClockForm& form, const QDate& near);

// The whole key as a local date and time, read as AdmissionKeyDate reads it; invalid where
// the key does not fit the form.
QDateTime AdmissionKeyTime(const QString& key, const AdmissionClockForm& form, const QDate& near);

// Characters that cannot stand in a file name ("/", "\", ":", ...) become "-".
QString FileNameSafe(const QString& text);
// saveFile, the date, ".csv"; only the date is made safe (saveFile may name a folder).
QString DailyFileName(const QString& saveFile, const QDate& day, const AdmissionClockForm& form);

// One "Date;Name" line per row, nothing quoted.
using AdmissionRow = QPair<QString, QString>;
QStringList AdmissionCsv(const QList<AdmissionRow>& rows);
// The bytes of a file of those lines, each ended by "\r\n", in charset. A text the set cannot
// hold fails with "Cannot create file "<name>". " and that text, before anything is written.
QByteArray AdmissionFileBytes(const QString& fileName, const QList<AdmissionRow>& rows,
                              const FileCharset& charset = FileCharset::System());
