// SPDX-License-Identifier: GPL-3.0-or-later
// An .sms file in every character set: its twelve fields, and the program's own save of them
// loads back the same.
#include <QTemporaryDir>

#include "files/TextFiles.h"
#include "fuzz/FuzzCharsets.h"
#include "fuzz/FuzzTarget.h"
#include "platform/Errors.h"

namespace {

void put(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write");
}

}  // namespace

ZUL_FUZZ_TARGET(smsfile) {
  static QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("in.sms"));
  const QString saved = dir.filePath(QStringLiteral("saved.sms"));
  put(file, data);
  // A byte order mark means UTF-8 on every system: every set reads what UTF-8 reads.
  std::optional<QStringList> utf8;
  const bool marked = FileCharset::Utf8().ReadAs(data) == FileCharset::Utf8() &&
                      data.startsWith(FileCharset::Mark());
  for (const FileCharset& set : FuzzCharsets()) {
    std::optional<QStringList> fields;
    try {
      fields = ReadSmsFile(file, set);
      if (set == FileCharset::Utf8()) utf8 = fields;
      if (marked) FUZZ_CHECK(fields == utf8, set.Name() + QStringLiteral(": ") + Shown(*fields));
    } catch (const EFileIOError& e) {
      FUZZ_CHECK(e.Message == ErrorTexts().NotATextFile, e.Message);
      const qsizetype zero = data.indexOf('\0');
      FUZZ_CHECK(zero >= 0 && HoldsBinaryData(data), Shown(data));
      continue;
    }
    if (!fields) {
      FUZZ_CHECK(data.isEmpty() || data[0] == '\x1a' || data[0] == '\0', Shown(data));
      continue;
    }
    FUZZ_CHECK(fields->size() == 12, QString::number(fields->size()));
    for (const QString& field : *fields) {
      FUZZ_CHECK(field.size() <= MaxSmsLineLength, QString::number(field.size()));
      FUZZ_CHECK(!field.contains(u'\r') && !field.contains(u'\n') && !field.contains(QChar(0)),
                 Shown(field));
    }
    try {
      WriteSmsFile(saved, *fields, set);
    } catch (const EFileIOError& e) {
      // Only a file read byte for byte may hold what the set cannot.
      FUZZ_CHECK(e.Message.contains(QLatin1String("cannot be written in")), e.Message);
      continue;
    }
    std::optional<QStringList> again;
    try {
      again = ReadSmsFile(saved, set);
    } catch (const Exception& e) {
      FUZZ_CHECK(false, set.Name() + QStringLiteral(": the save of ") + Shown(*fields) +
                            QStringLiteral(" does not load: ") + e.Message);
    }
    FUZZ_CHECK(again == fields, set.Name() + QStringLiteral(": ") + Shown(*fields) +
                                    QStringLiteral(" came back as ") +
                                    Shown(again.value_or(QStringList())));
  }
}
