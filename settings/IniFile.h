// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Initialisation file with the classic semantics: sections and keys compared without regard
// to letter case, keys that may hold blanks, full stops and colons, in-place update, and every
// line we do not write kept byte for byte. The file is read whole when the object is made;
// writes change the copy in memory, UpdateFile() puts it on disk in one go.
//
// Its text is in the system's character set; a file not valid in it (one from another system)
// is read and rewritten byte for byte, so that the lines we do not write keep their meaning. A
// byte order mark makes it UTF-8 on every system, and is kept.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include "files/FileCharset.h"

class IniFile {
 public:
  // The longest value a read yields, in characters.
  static constexpr int MaxValueLength = 2047;

  // Reads fileName if it exists; a missing or unreadable file reads as empty.
  explicit IniFile(const QString& fileName, const FileCharset& system = FileCharset::System());

  QString FileName() const { return fileName_; }    // the full path
  FileCharset Charset() const { return charset_; }  // the set the file is read and written in

  bool SectionExists(const QString& section) const;
  bool ValueExists(const QString& section, const QString& key) const;

  // Missing section or key: def. A key present with an empty value: "".
  QString ReadString(const QString& section, const QString& key, const QString& def) const;
  // Decimal with optional sign, or hexadecimal after "$", "0x" or "0X"; anything else: def.
  int ReadInteger(const QString& section, const QString& key, int def) const;
  // Read as an integer: 0 is false, any other number true; unreadable: def.
  bool ReadBool(const QString& section, const QString& key, bool def) const;

  // A text the file's character set cannot hold throws EIniFileError "Unable to write to
  // <path>. " and the text, and changes nothing.
  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int value);
  void WriteBool(const QString& section, const QString& key, bool value);

  // Writes the file; throws EIniFileError "Unable to write to <path>" when it cannot.
  void UpdateFile();

  // The bytes UpdateFile() would write.
  QByteArray Contents() const;

 private:
  struct Section {
    QByteArray header;               // the raw "[name]" line; empty for lines before any
    QList<QByteArray> lines;         // raw lines, each with its own line end
    QHash<QString, qsizetype> keys;  // folded key -> index of its first line
    qsizetype lastContent = -1;      // last line that is neither blank nor a comment
  };

  void parse(const QByteArray& data);
  // After a write: the file must still be read in the set it was, or every line is recoded.
  void keepCharset();
  QString text(const QByteArray& bytes) const;
  QByteArray bytes(const QString& text) const;
  QString foldedName(const QByteArray& name) const;
  const QByteArray* findLine(const QString& section, const QString& key) const;
  Section& sectionForWrite(const QString& section);
  void writeRaw(const QString& section, const QString& key, const QByteArray& value);

  QString fileName_;
  FileCharset system_;
  FileCharset charset_;
  QByteArray bom_;                          // a UTF-8 byte order mark the file starts with
  bool unreadable_ = false;                 // exists but could not be read: never overwrite it
  QList<Section> sections_;                 // sections_[0] holds the lines before the first section
  QHash<QString, qsizetype> sectionIndex_;  // folded name -> first section of that name
};
