// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The character set of the files that hold what people type: the settings file, phone books
// (.phb), SMS sets (.sms) and admission logs (.csv). This is the one place that decides it.
//
// They are written in the system's character set: on Windows the ANSI code page, elsewhere the
// one of the user's locale (LC_ALL, LC_CTYPE, LANG; UTF-8 on current desktops; the C locale
// keeps the old byte-per-character handling). A file whose bytes are not valid in it came from
// another system and is read byte for byte, each byte the character of its code (Latin-1), so
// nothing is dropped or replaced. A text the set cannot hold is never written as "?": encoding
// it fails and names it.
//
// The unit's bytes (the serial line, the monitor file) are not text of this kind: they always
// map byte for byte (Latin1()).
#include <QByteArray>
#include <QString>
#include <QStringConverter>
#include <QStringList>

#include "platform/Errors.h"

// A text that a character set cannot represent. The message names the text and its first
// character that fails: The text "JIŘI" cannot be written in ISO-8859-1, which has no "Ř"
// (U+0158).
class EUnwritableText : public EFileError {
  using EFileError::EFileError;
};

// The first n UTF-16 units of text, one fewer where the last would be half a character.
QString TextLeft(const QString& text, qsizetype n);

class FileCharset {
 public:
  // Decided afresh at each call from the environment (a test may change it).
  static FileCharset System();
  // The set a locale of that name (as in LC_ALL) uses: its explicit code set, else what the
  // installed locale says, else UTF-8; "C", "POSIX" and "" give Latin1().
  static FileCharset ForLocale(const QByteArray& localeName);
  // A code set by name ("UTF-8", "ISO-8859-2", "windows-1250"); ASCII and sets this build
  // cannot convert give Latin1().
  static FileCharset Named(const QByteArray& codeSet);
  static FileCharset Latin1();
  static FileCharset Utf8();

  QString Name() const { return name_; }
  bool operator==(const FileCharset& other) const { return name_ == other.name_; }
  bool operator!=(const FileCharset& other) const { return !(*this == other); }

  // The set a file of these bytes is read in: UTF-8 when they start with its byte order mark
  // and are valid UTF-8 after it, whatever this set is (spreadsheets and editors mark their
  // UTF-8 files so on every system); otherwise this one when they are valid in it, else
  // Latin1().
  FileCharset ReadAs(const QByteArray& bytes) const;
  // The bytes' text in ReadAs(bytes). A leading byte order mark is never part of it.
  QString Decode(const QByteArray& bytes) const;
  // A part of a file that ReadAs() gave this set for, e.g. one value: its text as it stands.
  QString DecodePart(const QByteArray& bytes) const;
  // Raises EUnwritableText when the text holds a character this set cannot represent.
  QByteArray Encode(const QString& text) const;
  // The lines, each ended by "\r\n"; EUnwritableText names the first line that fails.
  QByteArray EncodeLines(const QStringList& lines) const;
  // The same as a whole file, which Decode() reads back as these lines: one whose bytes would
  // start as a byte order mark does (a text starting with U+FEFF) is UTF-8 after a mark.
  QByteArray EncodeFile(const QStringList& lines) const;

  // The UTF-8 byte order mark, and bytes without it.
  static const QByteArray& Mark();
  static QByteArray Unmarked(const QByteArray& bytes);

 private:
  // Other: a set opened by name; Ansi: the Windows ANSI code page.
  enum class Kind { Latin1, Utf8, Other, Ansi };
  FileCharset(Kind kind, const QString& name) : kind_(kind), name_(name) {}

  QStringDecoder decoder() const;
  struct AsciiMoves;
  // How the converter moves ASCII, when it does.
  const AsciiMoves* moves() const;
  // The converter's text of the bytes and back; *error when it cannot.
  QString convert(const QByteArray& bytes, bool* error) const;
  QByteArray convert(QString text, bool* error) const;
  bool valid(const QByteArray& bytes) const;
  bool encodes(const QString& text, QByteArray* out) const;
  [[noreturn]] void failEncode(const QString& text) const;

  Kind kind_;
  QString name_;  // the converter's name; for Other also what opens it
};
