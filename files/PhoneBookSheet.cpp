// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PhoneBookSheet.h"

#include <QRegularExpression>
#include <climits>
#include <optional>

#include "files/TextFiles.h"

namespace {

constexpr QChar Quote = u'"';
constexpr QChar FileSeparator = u';';
// Enough rows to tell the separator; a quoted cell may span several lines.
constexpr int DetectionRows = 100;

// Of a longer cell only this much is kept: it is refused whatever it holds (a ="..." cell's
// doubled quotes count twice until unwrapped).
constexpr qsizetype KeptCellLength = 2 * qsizetype(MaxSheetCellLength) + 3;

struct Cell {
  QString text;          // at most KeptCellLength of it
  bool formula = false;  // written as ="...": text by the writer's intent
  qsizetype length = 0;  // the whole cell's
};

bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

// The text of ="..." (quotes inside doubled), or nothing when the cell is not of that form.
std::optional<QString> formulaText(const QString& s) {
  if (s.size() < 3 || !s.startsWith(u"=\"") || !s.endsWith(Quote)) return std::nullopt;
  QString text;
  const qsizetype end = s.size() - 1;
  for (qsizetype j = 2; j < end; ++j) {
    if (s[j] == Quote) {
      if (j + 1 >= end || s[j + 1] != Quote) return std::nullopt;
      ++j;
    }
    text += s[j];
  }
  return text;
}

// The rows of a spreadsheet's text, one at a time: what a row holds is dropped before the
// next is read, so that a file of empty rows costs no more than its size.
class RowReader {
 public:
  RowReader(const QString& text, QChar sep, qsizetype from) : t(&text), sep(sep), i(from) {}

  // The next row into cells, counted from 1 in row(); false at the end of the text. *open: a
  // quoted cell starts in it and never ends (cells holds the ones before).
  bool next(QList<Cell>& cells, bool* open) {
    cells.clear();
    *open = false;
    if (i >= t->size()) return false;
    ++rows;
    for (;;) {
      Cell cell;
      if (!readCell(cell)) {
        cells << Cell();
        *open = true;
        i = t->size();
        return true;
      }
      cells << cell;
      if (i >= t->size() || (*t)[i] != sep) break;
      ++i;
    }
    // CR LF is one line end, LF CR two.
    if (i < t->size() && (*t)[i] == u'\r') ++i;
    if (i < t->size() && (*t)[i] == u'\n') ++i;
    return true;
  }
  int row() const { return rows; }
  qsizetype at() const { return i; }

 private:
  // The cell at (*t)[i]; i is left on the separator, a line end or the end of the text. False
  // for a quoted cell that never ends.
  bool readCell(Cell& cell) {
    const qsizetype n = t->size();
    const bool isQuoted = i < n && (*t)[i] == Quote;
    if (isQuoted) {
      for (++i;; ++i) {
        if (i >= n) return false;
        if ((*t)[i] == Quote) {
          if (i + 1 >= n || (*t)[i + 1] != Quote) {
            ++i;
            break;
          }
          ++i;
        }
        if (cell.text.size() < KeptCellLength) cell.text += (*t)[i];
        ++cell.length;
      }
    }
    // What stands after a closing quote is kept, as spreadsheets do.
    qsizetype start = i;
    while (i < n && (*t)[i] != sep && !isLineEnd((*t)[i])) ++i;
    qsizetype end = i;
    if (!isQuoted) {
      while (start < end && (*t)[start].isSpace()) ++start;
      while (end > start && (*t)[end - 1].isSpace()) --end;
    }
    cell.length += end - start;
    cell.text +=
        QStringView(*t).mid(start, std::min(end - start, KeptCellLength - cell.text.size()));
    if (cell.length <= KeptCellLength) {
      if (const auto inner = formulaText(cell.text)) cell = {*inner, true, inner->size()};
    }
    return true;
  }

  const QString* t;
  QChar sep;
  qsizetype i;
  int rows = 0;
};

// "sep=;" as Excel reads it; a spreadsheet that showed the line as cells writes it back with
// its own separator after it ("sep=,,", "\"sep=\";").
std::optional<QChar> separatorLine(const QString& text, qsizetype& from) {
  qsizetype end = 0;
  while (end < text.size() && !isLineEnd(text[end])) ++end;
  const QString line = text.left(end).remove(Quote);
  if (line.size() < 5 || !line.startsWith(QLatin1String("sep="), Qt::CaseInsensitive))
    return std::nullopt;
  const QChar sep = line[4];
  for (qsizetype j = 5; j < line.size(); ++j)
    if (line[j] != sep) return std::nullopt;
  from = end;
  if (from < text.size() && text[from] == u'\r') ++from;
  if (from < text.size() && text[from] == u'\n') ++from;
  return sep;
}

QChar detectSeparator(const QString& text, qsizetype from) {
  QChar best = u'\t';
  int bestRows = -1;
  for (const QChar sep : {QChar(u'\t'), QChar(u';'), QChar(u',')}) {
    RowReader reader(text, sep, from);
    QList<Cell> cells;
    bool open = false;
    int rows = 0;
    while (reader.row() < DetectionRows && reader.next(cells, &open))
      if (cells.size() >= 2) ++rows;
    if (rows > bestRows) {
      best = sep;
      bestRows = rows;
    }
  }
  return best;
}

// "Phone", "Telefon", "Tel. číslo": letters and no digit, which no number holds.
bool isTitle(const QString& s) {
  bool letter = false;
  for (const QChar c : s) {
    if (c.isDigit()) return false;
    letter = letter || c.isLetter();
  }
  return letter;
}

QString flattened(QString s) {
  s.replace(QLatin1String("\r\n"), QLatin1String(" "));
  s.replace(u'\r', u' ');
  s.replace(u'\n', u' ');
  return s;
}

const QRegularExpression& scientific() {
  static const QRegularExpression re(QStringLiteral("^[+-]?\\d+([.,]\\d+)?[eE][+-]?\\d+$"));
  return re;
}

const QRegularExpression& withoutPrefix() {
  static const QRegularExpression re(QStringLiteral("^[1-9]\\d{9,}$"));
  return re;
}

// ="..." keeps a cell text in Excel; a cell holding the separator or a line end is quoted.
QString formulaCell(const QString& value) {
  if (value.isEmpty()) return value;
  QString cell = QStringLiteral("=\"") + QString(value).replace(Quote, QLatin1String("\"\"")) +
                 QLatin1Char('"');
  if (cell.contains(FileSeparator) || cell.contains(u'\r') || cell.contains(u'\n'))
    cell = QLatin1Char('"') + cell.replace(Quote, QLatin1String("\"\"")) + QLatin1Char('"');
  return cell;
}

QString quotedWhereNeeded(const QString& value, QChar sep) {
  if (!value.contains(sep) && !value.contains(Quote) && !value.contains(u'\r') &&
      !value.contains(u'\n'))
    return value;
  return QLatin1Char('"') + QString(value).replace(Quote, QLatin1String("\"\"")) + QLatin1Char('"');
}

}  // namespace

SheetEntries PhoneBookFromSheet(const QString& text, OneColumn oneColumn) {
  SheetEntries e;
  qsizetype from = 0;
  const std::optional<QChar> named = separatorLine(text, from);
  const QChar sep = named ? *named : detectSeparator(text, from);
  QList<Cell> cells;
  bool open = false;

  // A paste into the number column puts one cell a row there only when every row is one.
  bool oneCol = true;
  if (oneColumn == OneColumn::Number) {
    RowReader shape(text, sep, from);
    while (oneCol && shape.next(cells, &open)) oneCol = cells.size() == 1 && !open;
  }

  // What a row that holds no entry reads as: "" or "=".
  auto blankLine = [oneColumn](const QList<Cell>& cells) {
    return cells.size() >= 2 || oneColumn != OneColumn::Line ? QStringLiteral("=")
                                                             : flattened(cells[0].text);
  };
  QStringList spoilt, unprefixed;
  // Rows that hold nothing before the first that does are read again once it comes: a file
  // of nothing else keeps nothing.
  std::optional<RowReader> blanks;
  RowReader reader(text, sep, from);
  const Cell none;
  for (;;) {
    const RowReader before = reader;
    if (!reader.next(cells, &open)) break;
    if (open) {
      e = SheetEntries();
      e.fault = SheetFault::OpenQuote;
      e.row = reader.row();
      return e;
    }
    if (reader.row() == 1) {
      if (cells.size() == 1 && reader.at() >= text.size()) {
        e.oneValue = true;
        e.value = flattened(cells[0].text);
      }
      // A header: skipped.
      if (cells.size() >= 2 && isTitle(cells[1].text)) continue;
    }
    // A blank row, the bulk of a sheet of empty lines: "" or "=" as below, without the work.
    bool blank = true;
    for (const Cell& c : cells) blank = blank && c.text.isEmpty();
    if (blank) {
      if (e.lines.isEmpty()) {
        if (!blanks) blanks.emplace(before);
      } else {
        e.lines << blankLine(cells);
      }
      continue;
    }
    const Cell* name = &none;
    const Cell* number = &none;
    QString line;
    if (cells.size() >= 2) {
      name = &cells[0];
      number = &cells[1];
    } else if (oneColumn == OneColumn::Line) {
      line = flattened(cells[0].text);
      if (!line.contains(u'=')) number = &cells[0];
    } else if (oneCol && oneColumn == OneColumn::Number) {
      number = &cells[0];
    } else {
      name = &cells[0];
    }
    for (const Cell* c : {name, number, cells.size() == 1 ? &cells[0] : &none}) {
      if (c->length > MaxSheetCellLength) {
        e.fault = SheetFault::LongCell;
        e.row = reader.row();
        e.length = int(std::min<qsizetype>(c->length, INT_MAX));
        e.lines.clear();
        return e;
      }
    }
    if (name->text.contains(u'=')) {
      e.fault = SheetFault::EqualsInName;
      e.row = reader.row();
      e.lines.clear();
      return e;
    }
    if (cells.size() >= 2 || oneColumn != OneColumn::Line)
      line = flattened(name->text) + QLatin1Char('=') + flattened(number->text);
    if (!number->formula && !number->text.isEmpty()) {
      const QString item = name->text.isEmpty()
                               ? number->text
                               : QStringLiteral("%1 (%2)").arg(name->text, number->text);
      if (scientific().match(number->text).hasMatch()) spoilt << item;
      if (withoutPrefix().match(number->text).hasMatch()) unprefixed << item;
    }
    const bool usable = !line.isEmpty() && line != QLatin1String("=");
    if (!usable && e.lines.isEmpty()) {
      if (!blanks) blanks.emplace(before);
      continue;
    }
    if (blanks) {
      // Each of them a line as it reads: "" or "=".
      QList<Cell> blank;
      bool ignored = false;
      while (blanks->at() < before.at() && blanks->next(blank, &ignored))
        e.lines << blankLine(blank);
      blanks.reset();
    }
    e.lines << line;
  }
  if (!spoilt.isEmpty()) {
    e.fault = SheetFault::NumbersSpoilt;
    e.items = spoilt;
  } else if (e.lines.isEmpty()) {
    e.fault = SheetFault::NoEntry;
  } else {
    e.items = unprefixed;
  }
  if (e.fault != SheetFault::None) e.lines.clear();
  return e;
}

QStringList PhoneBookSheetRows(const QStringList& lines, const QString& nameTitle,
                               const QString& numberTitle) {
  QStringList rows;
  rows.reserve(lines.size() + 2);
  rows << QStringLiteral("sep=") + FileSeparator;
  rows << quotedWhereNeeded(nameTitle, FileSeparator) + FileSeparator +
              quotedWhereNeeded(numberTitle, FileSeparator);
  for (const QString& line : lines) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
      rows << formulaCell(line);
    else
      rows << formulaCell(line.left(eq)) + FileSeparator + formulaCell(line.mid(eq + 1));
  }
  return rows;
}

QString SheetClipboardText(const QList<QStringList>& rows, const QString& lineEnd) {
  QString text;
  for (const QStringList& row : rows) {
    for (qsizetype c = 0; c < row.size(); ++c) {
      if (c > 0) text += u'\t';
      text += quotedWhereNeeded(row[c], u'\t');
    }
    text += lineEnd;
  }
  return text;
}

bool IsSpreadsheetFile(const QString& fileName) {
  return fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

SheetEntries ReadPhoneBookCsv(const QString& fileName, const FileCharset& charset) {
  const QByteArray bytes = ReadWholeTextFile(fileName, MaxPhoneBookFileSize);
  const qsizetype zero = bytes.indexOf('\0');
  return PhoneBookFromSheet(charset.Decode(zero < 0 ? bytes : bytes.left(zero)), OneColumn::Line);
}

void WritePhoneBookCsv(const QString& fileName, const QStringList& lines, const QString& nameTitle,
                       const QString& numberTitle, const FileCharset& charset) {
  WriteTextLines(fileName, PhoneBookSheetRows(lines, nameTitle, numberTitle), charset,
                 FileErrors::NameAndReason);
}
