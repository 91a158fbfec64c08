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

struct Cell {
  QString text;
  bool formula = false;  // written as ="...": text by the writer's intent
};

struct Record {
  QList<Cell> cells;
  int row = 0;
};

struct Parsed {
  QList<Record> records;
  int openQuoteRow = 0;
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

// The cell at text[i]; i is left on the separator, a line end or the end of the text.
Cell readCell(const QString& text, qsizetype& i, QChar sep, bool& open) {
  const qsizetype n = text.size();
  QString quoted;
  const bool isQuoted = i < n && text[i] == Quote;
  if (isQuoted) {
    for (++i;; ++i) {
      if (i >= n) {
        open = true;
        return {};
      }
      if (text[i] == Quote) {
        if (i + 1 >= n || text[i + 1] != Quote) {
          ++i;
          break;
        }
        ++i;
      }
      quoted += text[i];
    }
  }
  // What stands after a closing quote is kept, as spreadsheets do.
  const qsizetype start = i;
  while (i < n && text[i] != sep && !isLineEnd(text[i])) ++i;
  const QString rest = text.mid(start, i - start);
  Cell cell{isQuoted ? quoted + rest : rest.trimmed()};
  if (const auto inner = formulaText(cell.text)) cell = {*inner, true};
  return cell;
}

Parsed parse(const QString& text, QChar sep, qsizetype from, int maxRecords) {
  Parsed parsed;
  const qsizetype n = text.size();
  qsizetype i = from;
  while (i < n && parsed.records.size() < maxRecords) {
    Record record;
    record.row = int(parsed.records.size()) + 1;
    for (;;) {
      bool open = false;
      record.cells << readCell(text, i, sep, open);
      if (open) {
        // Kept, so that the separator guess sees the row the quote starts in.
        parsed.openQuoteRow = record.row;
        parsed.records << record;
        return parsed;
      }
      if (i >= n || text[i] != sep) break;
      ++i;
    }
    // CR LF is one line end, LF CR two.
    if (i < n && text[i] == u'\r') ++i;
    if (i < n && text[i] == u'\n') ++i;
    parsed.records << record;
  }
  return parsed;
}

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
    int rows = 0;
    for (const Record& r : parse(text, sep, from, DetectionRows).records)
      if (r.cells.size() >= 2) ++rows;
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
  const Parsed parsed = parse(text, named ? *named : detectSeparator(text, from), from, INT_MAX);
  if (parsed.openQuoteRow > 0) {
    e.fault = SheetFault::OpenQuote;
    e.row = parsed.openQuoteRow;
    return e;
  }
  const QList<Record>& records = parsed.records;
  bool oneCol = true;
  for (const Record& r : records) oneCol = oneCol && r.cells.size() == 1;
  if (records.size() == 1 && oneCol) {
    e.oneValue = true;
    e.value = flattened(records[0].cells[0].text);
  }

  QStringList spoilt, unprefixed;
  bool usable = false;
  const bool header =
      !records.isEmpty() && records[0].cells.size() >= 2 && isTitle(records[0].cells[1].text);
  for (qsizetype k = header ? 1 : 0; k < records.size(); ++k) {
    const Record& r = records[k];
    const Cell none;
    const Cell* name = &none;
    const Cell* number = &none;
    QString line;
    if (r.cells.size() >= 2) {
      name = &r.cells[0];
      number = &r.cells[1];
    } else if (oneColumn == OneColumn::Line) {
      line = flattened(r.cells[0].text);
      if (!line.contains(u'=')) number = &r.cells[0];
    } else if (oneCol && oneColumn == OneColumn::Number) {
      number = &r.cells[0];
    } else {
      name = &r.cells[0];
    }
    for (const Cell* c : {name, number, r.cells.size() == 1 ? &r.cells[0] : &none}) {
      if (c->text.size() > MaxSheetCellLength) {
        e.fault = SheetFault::LongCell;
        e.row = r.row;
        e.length = int(c->text.size());
        return e;
      }
    }
    if (name->text.contains(u'=')) {
      e.fault = SheetFault::EqualsInName;
      e.row = r.row;
      return e;
    }
    if (r.cells.size() >= 2 || oneColumn != OneColumn::Line)
      line = flattened(name->text) + QLatin1Char('=') + flattened(number->text);
    usable = usable || (!line.isEmpty() && line != QLatin1String("="));
    if (!number->formula) {
      const QString item = name->text.isEmpty()
                               ? number->text
                               : QStringLiteral("%1 (%2)").arg(name->text, number->text);
      if (scientific().match(number->text).hasMatch()) spoilt << item;
      if (withoutPrefix().match(number->text).hasMatch()) unprefixed << item;
    }
    e.lines << line;
  }
  if (!spoilt.isEmpty()) {
    e.fault = SheetFault::NumbersSpoilt;
    e.items = spoilt;
  } else if (!usable) {
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
  return PhoneBookFromSheet(charset.Decode(zero < 0 ? bytes : bytes.left(zero)),
                            OneColumn::Line);
}

void WritePhoneBookCsv(const QString& fileName, const QStringList& lines, const QString& nameTitle,
                       const QString& numberTitle, const FileCharset& charset) {
  WriteTextLines(fileName, PhoneBookSheetRows(lines, nameTitle, numberTitle), charset,
                 FileErrors::NameAndReason);
}
