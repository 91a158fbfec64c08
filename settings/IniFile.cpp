// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <limits>

#include "platform/Errors.h"

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

QByteArray trimmed(const QByteArray& s) {
  qsizetype b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.mid(b, e - b);
}

// The line without its line end.
QByteArray content(const QByteArray& raw) {
  qsizetype e = raw.size();
  if (e > 0 && raw[e - 1] == '\n') --e;
  if (e > 0 && raw[e - 1] == '\r') --e;
  return raw.left(e);
}

QByteArray lineEnd(const QByteArray& raw) { return raw.mid(content(raw).size()); }

bool endsLine(const QByteArray& raw) { return raw.endsWith('\n'); }

bool isQuoted(const QByteArray& v) {
  return v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v[v.size() - 1] == v[0];
}

QByteArray unquoted(const QByteArray& v) { return isQuoted(v) ? v.mid(1, v.size() - 2) : v; }

// The value of a key line: after the first "=", trimmed, one enclosing pair of quotes removed.
QByteArray valueOf(const QByteArray& raw) {
  const QByteArray c = content(raw);
  return unquoted(trimmed(c.mid(c.indexOf('=') + 1)));
}

// A value as it goes into the file. Line breaks would cut the file apart, and a value that
// the reader would trim or unquote is quoted so that it reads back as written.
QByteArray encoded(QByteArray v) {
  v.replace('\r', ' ').replace('\n', ' ');
  if (!v.isEmpty() && (isBlank(v.front()) || isBlank(v.back()) || isQuoted(v)))
    return '"' + v + '"';
  return v;
}

QString folded(const QString& name) { return name.toLower(); }

bool parseDigits(const QByteArray& s, qsizetype from, int base, qint64 limit, qint64* out) {
  if (from >= s.size()) return false;
  qint64 v = 0;
  for (qsizetype i = from; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    v = v * base + d;
    if (v > limit) return false;
  }
  *out = v;
  return true;
}

bool parseInteger(const QByteArray& s, int* out) {
  constexpr qint64 max = std::numeric_limits<int>::max();
  qint64 v = 0;
  if (s.startsWith('$') || s.startsWith("0x") || s.startsWith("0X")) {
    if (!parseDigits(s, s.startsWith('$') ? 1 : 2, 16, max, &v)) return false;
    *out = int(v);
    return true;
  }
  const bool negative = s.startsWith('-');
  const qsizetype from = (negative || s.startsWith('+')) ? 1 : 0;
  if (!parseDigits(s, from, 10, max + (negative ? 1 : 0), &v)) return false;
  *out = int(negative ? -v : v);
  return true;
}

}  // namespace

IniFile::IniFile(const QString& fileName, const FileCharset& system)
    : fileName_(QFileInfo(fileName).absoluteFilePath()), system_(system), charset_(system) {
  QByteArray data;
  QFile f(fileName_);
  if (f.exists()) {
    if (f.open(QIODevice::ReadOnly)) {
      data = f.readAll();
      unreadable_ = f.error() != QFileDevice::NoError;
    } else {
      unreadable_ = true;
    }
  }
  if (unreadable_) data.clear();
  charset_ = system.ReadAs(data);
  // Never part of the first line, whatever set the rest is read in.
  if (data.startsWith(FileCharset::Mark())) {
    bom_ = FileCharset::Mark();
    data.remove(0, bom_.size());
  }
  parse(data);
}

QString IniFile::text(const QByteArray& bytes) const { return charset_.DecodePart(bytes); }

QByteArray IniFile::bytes(const QString& text) const {
  try {
    return charset_.Encode(text);
  } catch (const EUnwritableText& e) {
    throw EIniFileError(ErrorTexts().UnableToWrite.arg(fileName_) + QStringLiteral(". ") +
                        e.Message);
  }
}

QString IniFile::foldedName(const QByteArray& name) const { return text(name).toLower(); }

void IniFile::parse(const QByteArray& data) {
  sections_.clear();
  sectionIndex_.clear();
  sections_.append(Section());
  qsizetype pos = 0;
  while (pos < data.size()) {
    qsizetype nl = data.indexOf('\n', pos);
    const qsizetype next = nl < 0 ? data.size() : nl + 1;
    const QByteArray raw = data.mid(pos, next - pos);
    pos = next;

    const QByteArray line = trimmed(raw);
    const qsizetype close = line.indexOf(']');
    if (line.startsWith('[') && close > 0) {
      Section s;
      s.header = raw;
      sections_.append(s);
      const QString name = foldedName(trimmed(line.mid(1, close - 1)));
      if (!sectionIndex_.contains(name)) sectionIndex_.insert(name, sections_.size() - 1);
      continue;
    }
    Section& s = sections_.last();
    s.lines.append(raw);
    if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
    s.lastContent = s.lines.size() - 1;
    const qsizetype eq = line.indexOf('=');
    if (eq >= 0) {
      const QString key = foldedName(trimmed(line.left(eq)));
      if (!s.keys.contains(key)) s.keys.insert(key, s.lastContent);
    }
  }
}

bool IniFile::SectionExists(const QString& section) const {
  return sectionIndex_.contains(folded(section));
}

bool IniFile::ValueExists(const QString& section, const QString& key) const {
  return findLine(section, key) != nullptr;
}

const QByteArray* IniFile::findLine(const QString& section, const QString& key) const {
  const qsizetype si = sectionIndex_.value(folded(section), -1);
  if (si < 0) return nullptr;
  const Section& s = sections_[si];
  const qsizetype li = s.keys.value(folded(key), -1);
  return li < 0 ? nullptr : &s.lines[li];
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
  const QByteArray* raw = findLine(section, key);
  if (!raw) return def;
  return TextLeft(text(valueOf(*raw)), MaxValueLength);
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const {
  const QByteArray* raw = findLine(section, key);
  int v;
  if (!raw || !parseInteger(valueOf(*raw).left(MaxValueLength), &v)) return def;
  return v;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  // The value a line reads as keeps the line: its spelling, and its text past what is read.
  if (findLine(section, key) && ReadString(section, key, QString()) == value) return;
  writeRaw(section, key, bytes(value));
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value) {
  writeRaw(section, key, QByteArray::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
  writeRaw(section, key, value ? "1" : "0");
}

IniFile::Section& IniFile::sectionForWrite(const QString& section) {
  const qsizetype si = sectionIndex_.value(folded(section), -1);
  if (si >= 0) return sections_[si];
  const QByteArray header = '[' + bytes(section) + "]\r\n";

  // The new section goes at the end, after a blank line when the file has anything before it.
  QByteArray* last = nullptr;
  for (qsizetype i = sections_.size() - 1; i >= 0 && !last; --i) {
    Section& s = sections_[i];
    if (!s.lines.isEmpty())
      last = &s.lines.last();
    else if (!s.header.isEmpty())
      last = &s.header;
  }
  if (last) {
    if (!endsLine(*last)) last->append("\r\n");
    if (!trimmed(*last).isEmpty()) sections_.last().lines.append("\r\n");
  }
  Section s;
  s.header = header;
  sections_.append(s);
  sectionIndex_.insert(folded(section), sections_.size() - 1);
  return sections_.last();
}

void IniFile::writeRaw(const QString& section, const QString& key, const QByteArray& value) {
  const QByteArray keyBytes = bytes(key);
  Section& s = sectionForWrite(section);
  const QString k = folded(key);
  const qsizetype li = s.keys.value(k, -1);
  if (li >= 0) {
    QByteArray& raw = s.lines[li];
    if (valueOf(raw) == value) return;  // keeps the file's own quoting and spacing
    const QByteArray c = content(raw);
    qsizetype start = c.indexOf('=') + 1;
    while (start < c.size() && (c[start] == ' ' || c[start] == '\t')) ++start;
    raw = c.left(start) + encoded(value) + lineEnd(raw);
    keepCharset();
    return;
  }
  // After the section's last key (or other content), ahead of trailing blanks and comments.
  const qsizetype at = s.lastContent + 1;
  QByteArray& before = at == 0 ? s.header : s.lines[at - 1];
  if (!before.isEmpty() && !endsLine(before)) before.append("\r\n");
  s.lines.insert(at, keyBytes + '=' + encoded(value) + "\r\n");
  s.keys.insert(k, at);
  s.lastContent = at;
  keepCharset();
}

void IniFile::keepCharset() {
  // Read byte for byte, the file may have lost its last byte that the system's set cannot
  // read: read again, every other line would change. Its text goes into that set then, or,
  // where that cannot hold it, into UTF-8 after a mark.
  if (charset_ == system_ && bom_.isEmpty()) return;
  if (system_.ReadAs(Contents()) == charset_) return;
  FileCharset to = bom_.isEmpty() ? system_ : FileCharset::Utf8();
  QList<Section> recoded = sections_;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      for (qsizetype i = 0; i < sections_.size(); ++i) {
        recoded[i].header = to.Encode(text(sections_[i].header));
        for (qsizetype j = 0; j < sections_[i].lines.size(); ++j)
          recoded[i].lines[j] = to.Encode(text(sections_[i].lines[j]));
      }
      break;
    } catch (const EUnwritableText&) {
      to = FileCharset::Utf8();
      bom_ = FileCharset::Mark();
    }
  }
  sections_ = recoded;
  charset_ = to;
}

QByteArray IniFile::Contents() const {
  qsizetype size = 0;
  for (const Section& s : sections_) {
    size += s.header.size();
    for (const QByteArray& l : s.lines) size += l.size();
  }
  QByteArray out = bom_;
  out.reserve(bom_.size() + size);
  for (const Section& s : sections_) {
    out += s.header;
    for (const QByteArray& l : s.lines) out += l;
  }
  return out;
}

void IniFile::UpdateFile() {
  const EIniFileError failure(ErrorTexts().UnableToWrite.arg(fileName_));
  if (unreadable_) throw failure;  // writing would lose lines we could not read
  QSaveFile f(fileName_);
  f.setDirectWriteFallback(true);
  if (!f.open(QIODevice::WriteOnly)) throw failure;
  const QByteArray data = Contents();
  if (f.write(data) != data.size()) {
    f.cancelWriting();
    throw failure;
  }
  if (!f.commit()) throw failure;
}
