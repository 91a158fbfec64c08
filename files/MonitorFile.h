// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lines of the Monitor as received, and the monitor file (.mon) made of them.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// Every line the unit sent since start, kept as its bytes: one buffer for all of them and the
// end of each line. The program holds months of lines, so a line costs its bytes and eight more,
// and appending stays as quick with a million lines as with none.
//
// As text, the lines are joined by "\n"; offsets into that text count bytes (a byte is one
// Latin-1 character), so line i starts at offset Begin(i) + i.
class MonitorLines {
 public:
  void Append(QByteArrayView line) {
    bytes_.append(line.data(), line.size());
    ends_.append(bytes_.size());
  }
  qsizetype Count() const { return ends_.size(); }
  QByteArrayView Line(qsizetype i) const {
    const qsizetype begin = Begin(i);
    return QByteArrayView(bytes_.constData() + begin, ends_[i] - begin);
  }
  qsizetype Length(qsizetype i) const { return ends_[i] - Begin(i); }

  // The monitor file: each line's bytes followed by "\r\n".
  QByteArray FileBytes() const;

  // ---- the lines as one text ----
  qsizetype TextSize() const { return bytes_.size() + (ends_.isEmpty() ? 0 : ends_.size() - 1); }
  qsizetype LineStart(qsizetype i) const { return Begin(i) + i; }
  // The line holding the offset; the "\n" after a line belongs to it. 0 when there are none.
  qsizetype LineAt(qsizetype offset) const;
  // The text from offset `from` up to `to`, both held to the text.
  QByteArray Text(qsizetype from, qsizetype to) const;

 private:
  qsizetype Begin(qsizetype i) const { return i > 0 ? ends_[i - 1] : 0; }

  QByteArray bytes_;
  QList<qint64> ends_;
};
