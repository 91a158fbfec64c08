// SPDX-License-Identifier: GPL-3.0-or-later
// A settings file in every character set, read, written back whole as the window's close does
// (every key with the value read, one with a value of its own) and read again: every key
// reads the same, the one written as written.
#include <QHash>
#include <QTemporaryDir>

#include "fuzz/FuzzCharsets.h"
#include "fuzz/FuzzTarget.h"
#include "platform/Errors.h"
#include "settings/IniFile.h"

namespace {

void put(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write");
}

bool blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

QByteArray trimmed(QByteArray s) {
  while (!s.isEmpty() && blank(s.back())) s.chop(1);
  while (!s.isEmpty() && blank(s.front())) s.remove(0, 1);
  return s;
}

struct Key {
  QString section, key;
};

// The sections and keys of the file as its lines name them.
QList<Key> keysOf(const QByteArray& bytes, const FileCharset& set) {
  QList<Key> keys;
  QString section;
  bool inSection = false;
  for (const QByteArray& raw : FileCharset::Unmarked(bytes).split('\n')) {
    const QByteArray line = trimmed(raw);
    const qsizetype close = line.indexOf(']');
    if (line.startsWith('[') && close > 0) {
      section = set.DecodePart(trimmed(line.mid(1, close - 1)));
      inSection = true;
    } else if (inSection && line.contains('=') && !line.startsWith(';') && !line.startsWith('#')) {
      keys.append({section, set.DecodePart(trimmed(line.left(line.indexOf('='))))});
    }
  }
  return keys;
}

const QString kMissing = QStringLiteral("\x01missing");

}  // namespace

ZUL_FUZZ_TARGET(inifile) {
  static QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("zulset.ini"));
  const QString again = dir.filePath(QStringLiteral("again.ini"));
  // The value of its own: what the data's last line says, and texts no set holds whole.
  const QString own[] = {QString::fromUtf8(data.mid(data.lastIndexOf('\n') + 1)),
                         QStringLiteral("Dal\u0161\u00ED \u65E5\u672C"),
                         QStringLiteral(" 'x' "),
                         QStringLiteral("a\r\nb"),
                         QString(2046, u'a') + QStringLiteral("\U0001F600"),
                         QStringLiteral("\uFEFF\u00EF\u00BB\u00BF")};
  put(file, data);
  auto id = [](const Key& k) { return k.section.toLower() + QChar(0) + k.key.toLower(); };
  // A byte order mark means UTF-8 on every system: every set reads what UTF-8 reads.
  QHash<QString, QString> utf8;
  const bool marked = FileCharset::Utf8().ReadAs(data) == FileCharset::Utf8() &&
                      data.startsWith(FileCharset::Mark());
  for (const FileCharset& set : FuzzCharsets()) {
    IniFile ini(file, set);
    const QList<Key> keys = keysOf(data, ini.Charset());
    QHash<QString, QString> read;  // folded section and key -> value
    for (const Key& k : keys) read.insert(id(k), ini.ReadString(k.section, k.key, kMissing));
    if (set == FileCharset::Utf8()) utf8 = read;
    if (marked)
      FUZZ_CHECK(ini.Charset() == FileCharset::Utf8() && read == utf8,
                 set.Name() + QStringLiteral(" reads the marked file as ") + ini.Charset().Name());
    for (const Key& k : keys) {
      const QString value = read.value(id(k));
      if (value == kMissing) continue;
      try {
        ini.WriteString(k.section, k.key, value);
      } catch (const EIniFileError& e) {
        FUZZ_CHECK(false, set.Name() + QStringLiteral(": a value read cannot be written back: ") +
                              e.Message);
      }
    }
    const Key mine = keys.isEmpty() || data.size() % 3 == 0
                         ? Key{QStringLiteral("Form"), QStringLiteral("RelA")}
                         : keys[data.size() % keys.size()];
    const QString value = own[data.size() % std::size(own)];
    const QByteArray before = ini.Contents();
    if (!read.contains(id(mine)))
      read.insert(id(mine), ini.ReadString(mine.section, mine.key, kMissing));
    try {
      ini.WriteString(mine.section, mine.key, value);
      QString expected = value;
      expected.replace(u'\r', u' ').replace(u'\n', u' ');
      read.insert(id(mine), TextLeft(expected, IniFile::MaxValueLength));
    } catch (const EIniFileError&) {
      FUZZ_CHECK(ini.Contents() == before,
                 set.Name() + QStringLiteral(": a refused write changed the file"));
    }
    put(again, ini.Contents());
    IniFile reread(again, set);
    FUZZ_CHECK(reread.Contents() == ini.Contents(), set.Name());
    for (const Key& k : keys + QList<Key>{mine}) {
      const QString now = reread.ReadString(k.section, k.key, kMissing);
      FUZZ_CHECK(now == read.value(id(k)),
                 set.Name() + QStringLiteral(": [%1] %2 read %3, then %4")
                                  .arg(k.section, k.key, Shown(read.value(id(k))), Shown(now)));
      FUZZ_CHECK(ini.ReadString(k.section, k.key, kMissing) == now, set.Name());
    }
  }
}
