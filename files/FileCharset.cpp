// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileCharset.h"

#include <QtGlobal>

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

QStringEncoder FileCharset::encoder() const {
  switch (kind_) {
    case Kind::Latin1:
      return QStringEncoder(QStringConverter::Latin1, Flags);
    case Kind::Utf8:
      return QStringEncoder(QStringConverter::Utf8, Flags);
    case Kind::Ansi:
      return QStringEncoder(QStringConverter::System, Flags);
    case Kind::Other:
      break;
  }
  return QStringEncoder(name_.toLatin1().constData(), Flags);
}

bool FileCharset::valid(const QByteArray& bytes) const {
  if (kind_ == Kind::Latin1 || isAscii(bytes)) return true;
  QStringDecoder d = decoder();
  [[maybe_unused]] const QString text = d.decode(bytes);
  return !d.hasError();
}

QString FileCharset::DecodePart(const QByteArray& bytes) const {
  if (kind_ != Kind::Latin1 && !isAscii(bytes)) {
    QStringDecoder d = decoder();
    const QString text = d.decode(bytes);
    if (!d.hasError()) return text;
  }
  return QString::fromLatin1(bytes);
}

FileCharset FileCharset::ReadAs(const QByteArray& bytes) const {
  return valid(bytes) ? *this : Latin1();
}

QString FileCharset::Decode(const QByteArray& bytes) const {
  const FileCharset readAs = ReadAs(bytes);
  QString text = readAs.DecodePart(bytes);
  if (readAs.kind_ == Kind::Utf8 && text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

QString FileCharset::DecodeMarked(const QByteArray& bytes) const {
  if (bytes.startsWith("\xEF\xBB\xBF")) return Utf8().Decode(bytes.mid(3));
  return Decode(bytes);
}

bool FileCharset::encodes(const QString& text, QByteArray* out) const {
  if (kind_ == Kind::Latin1) {
    for (const QChar c : text)
      if (c.unicode() > 0xFF) return false;
    *out = text.toLatin1();
    return true;
  }
  QStringEncoder e = encoder();
  *out = e.encode(text);
  // Converters tell a character they lack unreliably, some sets map it to a look-alike: only
  // the way back shows it.
  return !e.hasError() && DecodePart(*out) == text;
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
