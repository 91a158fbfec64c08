// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileCharset.h"

#include <QHash>
#include <QMutex>
#include <QtGlobal>
#include <optional>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

namespace {

constexpr QStringConverter::Flags Flags =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
constexpr int ShownTextLength = 60;

// Every set a locale runs in writes ASCII as ASCII.
bool isAscii(const QByteArray& bytes) {
  for (const char c : bytes)
    if (uchar(c) >= 0x80) return false;
  return true;
}

QString shown(const QString& text) {
  return text.size() <= ShownTextLength ? text : text.left(ShownTextLength) + QStringLiteral("...");
}

}  // namespace

QString TextLeft(const QString& text, qsizetype n) {
  if (n <= 0) return QString();
  if (n < text.size() && text[n - 1].isHighSurrogate() && text[n].isLowSurrogate()) --n;
  return text.left(n);
}

FileCharset FileCharset::Latin1() {
  return FileCharset(Kind::Latin1, QStringLiteral("ISO-8859-1"));
}

FileCharset FileCharset::Utf8() { return FileCharset(Kind::Utf8, QStringLiteral("UTF-8")); }

FileCharset FileCharset::Named(const QByteArray& codeSet) {
  const QByteArray set = codeSet.trimmed();
  if (const auto builtIn = QStringConverter::encodingForName(set.constData())) {
    // No locale runs in UTF-16 or UTF-32; bytes stay bytes then.
    return *builtIn == QStringConverter::Utf8 ? Utf8() : Latin1();
  }
  const QStringDecoder byName(set.constData());
  if (!byName.isValid()) return Latin1();
  const QString name = QString::fromLatin1(byName.name());
  if (name == QLatin1String("US-ASCII")) return Latin1();
  return FileCharset(Kind::Other, name);
}

FileCharset FileCharset::ForLocale(const QByteArray& localeName) {
  QByteArray name = localeName;
  const qsizetype modifier = name.indexOf('@');
  if (modifier >= 0) name.truncate(modifier);
  if (name.isEmpty() || name == "C" || name == "POSIX") return Latin1();
  const qsizetype dot = name.indexOf('.');
  if (dot >= 0) return Named(name.mid(dot + 1));
#ifndef Q_OS_WIN
  // "cs_CZ" alone: the installed locale knows its set.
  if (const locale_t installed = newlocale(LC_CTYPE_MASK, localeName.constData(), locale_t(0))) {
    const QByteArray set = nl_langinfo_l(CODESET, installed);
    freelocale(installed);
    return Named(set);
  }
#endif
  return Utf8();
}

FileCharset FileCharset::System() {
#ifdef Q_OS_WIN
  const UINT page = GetACP();
  if (page == CP_UTF8) return Utf8();
  if (page == 28591) return Latin1();
  return FileCharset(Kind::Ansi, QStringLiteral("windows-%1").arg(page));
#else
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const QByteArray value = qgetenv(variable);
    if (!value.isEmpty()) return ForLocale(value);
  }
  return Latin1();
#endif
}

QStringDecoder FileCharset::decoder() const {
  switch (kind_) {
    case Kind::Latin1:
      return QStringDecoder(QStringConverter::Latin1, Flags);
    case Kind::Utf8:
      return QStringDecoder(QStringConverter::Utf8, Flags);
    case Kind::Ansi:
      return QStringDecoder(QStringConverter::System, Flags);
    case Kind::Other:
      break;
  }
  return QStringDecoder(name_.toLatin1().constData(), Flags);
}

// Some converters do not keep the bytes 0-127 as the same characters (IBM's Shift_JIS swaps
// 0x1A, 0x1C and 0x7F); the locale's own set does, and so must we: 0x1C read as U+007F and
// written back as 0x1A would be the SMS file's end mark.
struct FileCharset::AsciiMoves {
  char16_t read[128];  // the converter's character for byte b
  char16_t back[128];  // the byte the converter reads as character c
};

const FileCharset::AsciiMoves* FileCharset::moves() const {
  if (kind_ == Kind::Latin1 || kind_ == Kind::Utf8) return nullptr;
  static QMutex mutex;
  static QHash<QString, std::optional<AsciiMoves>> known;
  const QMutexLocker lock(&mutex);
  auto it = known.find(name_);
  if (it == known.end()) {
    std::optional<AsciiMoves> found = AsciiMoves();
    QStringDecoder d = decoder();
    bool moved = false, seen[128] = {};
    for (int b = 0; b < 128 && found; ++b) {
      const char c = char(b);
      d.resetState();
      const QString s = d.decode(QByteArrayView(&c, 1));
      const char16_t u = s.size() == 1 ? s[0].unicode() : 0xFFFF;
      // Only a permutation within ASCII can be undone.
      if (u >= 128 || seen[u]) {
        found.reset();
        break;
      }
      seen[u] = true;
      found->read[b] = u;
      found->back[u] = char16_t(b);
      moved = moved || u != b;
    }
    if (!moved) found.reset();
    it = known.insert(name_, found);
  }
  return it->has_value() ? &**it : nullptr;
}

QString FileCharset::convert(const QByteArray& bytes, bool* error) const {
  if (kind_ == Kind::Latin1) {
    *error = false;
    return QString::fromLatin1(bytes);
  }
  QStringDecoder d = decoder();
  QString text = d.decode(bytes);
  *error = d.hasError();
  if (const AsciiMoves* m = moves())
    for (QChar& c : text)
      if (c.unicode() < 128) c = QChar(m->back[c.unicode()]);
  return text;
}

QByteArray FileCharset::convert(QString text, bool* error) const {
  if (kind_ == Kind::Latin1) {
    *error = false;
    for (const QChar c : text) *error = *error || c.unicode() > 0xFF;
    return *error ? QByteArray() : text.toLatin1();
  }
  if (const AsciiMoves* m = moves())
    for (QChar& c : text)
      if (c.unicode() < 128) c = QChar(m->read[c.unicode()]);
  QStringEncoder e;
  switch (kind_) {
    case Kind::Utf8:
      e = QStringEncoder(QStringConverter::Utf8, Flags);
      break;
    case Kind::Ansi:
      e = QStringEncoder(QStringConverter::System, Flags);
      break;
    default:
      e = QStringEncoder(name_.toLatin1().constData(), Flags);
      break;
  }
  QByteArray out = e.encode(text);
  *error = e.hasError();
  return out;
}

bool FileCharset::valid(const QByteArray& bytes) const {
  if (kind_ == Kind::Latin1 || isAscii(bytes)) return true;
  bool error = false;
  [[maybe_unused]] const QString text = convert(bytes, &error);
  return !error;
}

QString FileCharset::DecodePart(const QByteArray& bytes) const {
  if (kind_ != Kind::Latin1 && !isAscii(bytes)) {
    bool error = false;
    const QString text = convert(bytes, &error);
    if (!error) return text;
  }
  return QString::fromLatin1(bytes);
}

const QByteArray& FileCharset::Mark() {
  static const QByteArray mark("\xEF\xBB\xBF");
  return mark;
}

QByteArray FileCharset::Unmarked(const QByteArray& bytes) {
  return bytes.startsWith(Mark()) ? bytes.mid(Mark().size()) : bytes;
}

FileCharset FileCharset::ReadAs(const QByteArray& bytes) const {
  const QByteArray text = Unmarked(bytes);
  if (text.size() != bytes.size() && Utf8().valid(text)) return Utf8();
  return valid(text) ? *this : Latin1();
}

QString FileCharset::Decode(const QByteArray& bytes) const {
  return ReadAs(bytes).DecodePart(Unmarked(bytes));
}

bool FileCharset::encodes(const QString& text, QByteArray* out) const {
  bool error = false;
  *out = convert(text, &error);
  // Converters tell a character they lack unreliably, some sets map it to a look-alike: only
  // the way back shows it.
  return !error && (kind_ == Kind::Latin1 || DecodePart(*out) == text);
}

void FileCharset::failEncode(const QString& text) const {
  QString character;
  QByteArray ignored;
  for (qsizetype i = 0; i < text.size() && character.isEmpty(); ++i) {
    const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString c = text.mid(i, n);
    if (!encodes(c, &ignored)) character = c;
    i += n - 1;
  }
  const uint code = character.isEmpty() ? 0 : character.toUcs4().value(0);
  const QString codeText = QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0')).toUpper();
  throw EUnwritableText(ErrorTexts().NotInCharset.arg(shown(text), name_, character, codeText));
}

QByteArray FileCharset::Encode(const QString& text) const {
  QByteArray out;
  if (!encodes(text, &out)) failEncode(text);
  return out;
}

QByteArray FileCharset::EncodeLines(const QStringList& lines) const {
  QString text;
  qsizetype size = 0;
  for (const QString& line : lines) size += line.size() + 2;
  text.reserve(size);
  for (const QString& line : lines) {
    text += line;
    text += QLatin1String("\r\n");
  }
  QByteArray out;
  if (encodes(text, &out)) return out;
  for (const QString& line : lines)
    if (!encodes(line, &out)) failEncode(line);
  failEncode(text);
}

QByteArray FileCharset::EncodeFile(const QStringList& lines) const {
  QByteArray out = EncodeLines(lines);
  // Read back, these bytes would lose their start to a mark.
  if (out.startsWith(Mark())) out = Mark() + Utf8().EncodeLines(lines);
  return out;
}
