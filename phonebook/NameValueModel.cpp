// SPDX-License-Identifier: GPL-3.0-or-later
#include "phonebook/NameValueModel.h"

namespace {
// A cell is never wider than this on screen; painting a huge line in full costs for nothing.
constexpr int kDisplayLimit = 4096;
}  // namespace

NameValueModel::NameValueModel(const QString& keyTitle, const QString& valueTitle, QObject* parent)
    : QAbstractTableModel(parent), titles_{keyTitle, valueTitle} {}

int NameValueModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(lineCount(), 1);
}

int NameValueModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant NameValueModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return QVariant();
  QString text = cell(index.column(), index.row());
  if (role == Qt::DisplayRole && text.size() > kDisplayLimit) text.truncate(kDisplayLimit);
  return text;
}

bool NameValueModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const QString text = value.toString();
  if (index.row() < lineCount() && cell(index.column(), index.row()) == text) return true;
  setCell(index.column(), index.row(), text);
  return true;
}

void NameValueModel::setTitle(int col, const QString& title) {
  if (col < 0 || col > 1 || titles_[col] == title) return;
  titles_[col] = title;
  emit headerDataChanged(Qt::Horizontal, col, col);
}

QVariant NameValueModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 2)
    return titles_[section];
  return QVariant();
}

Qt::ItemFlags NameValueModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void NameValueModel::setLines(const QStringList& lines) {
  beginResetModel();
  lines_ = lines;
  eq_.resize(size_t(lines_.size()));
  for (qsizetype i = 0; i < lines_.size(); ++i) eq_[size_t(i)] = splitAt(lines_[i]);
  endResetModel();
  emit changed();
}

void NameValueModel::clear() { setLines(QStringList()); }

QString NameValueModel::cell(int col, int line) const {
  if (line < 0 || line >= lineCount()) return QString();
  const QString& s = lines_[line];
  const int eq = eq_[size_t(line)];
  if (col == 0) return eq < 0 ? QString() : s.left(eq);
  return eq < 0 ? s : s.mid(eq + 1);
}

void NameValueModel::writeCell(int col, int line, const QString& text) {
  const QString& s = lines_[line];
  const int eq = eq_[size_t(line)];
  QString rebuilt;
  if (col == 0) {
    const QStringView value = eq < 0 ? QStringView(s) : QStringView(s).mid(eq + 1);
    rebuilt.reserve(text.size() + 1 + value.size());
    rebuilt.append(text).append(QLatin1Char('=')).append(value);
  } else {
    const QStringView name = eq < 0 ? QStringView() : QStringView(s).left(eq);
    rebuilt.reserve(name.size() + 1 + text.size());
    rebuilt.append(name).append(QLatin1Char('=')).append(text);
  }
  eq_[size_t(line)] = splitAt(rebuilt);
  lines_[line] = std::move(rebuilt);
}

void NameValueModel::setCell(int col, int line, const QString& text) {
  if (col < 0 || col > 1 || line < 0) return;
  if (line >= lineCount()) {
    // Only the blank row of an empty list can be written beyond the lines.
    if (line != 0 || !lines_.isEmpty()) return;
    lines_.append(QString());
    eq_.push_back(-1);
  }
  writeCell(col, line, text);
  // One cell at a time: that is what makes the view refresh an open editor.
  emit dataChanged(index(line, col), index(line, col), {Qt::DisplayRole, Qt::EditRole});
  emit changed();
}

void NameValueModel::cellsChanged(int line) {
  for (int col = 0; col < 2; ++col)
    emit dataChanged(index(line, col), index(line, col), {Qt::DisplayRole, Qt::EditRole});
}

void NameValueModel::insertLine(int at, const QString& line) { insertLines(at, {line}); }

void NameValueModel::insertLines(int at, const QStringList& lines) {
  if (lines.isEmpty()) return;
  at = std::clamp(at, 0, lineCount());
  // The blank row of an empty list stands for the first line.
  const bool wasEmpty = lines_.isEmpty();
  const int first = wasEmpty ? 1 : at;
  const int last = at + int(lines.size()) - 1;
  if (last >= first) beginInsertRows(QModelIndex(), first, last);
  QStringList joined = lines_.mid(0, at);
  joined += lines;
  joined += lines_.mid(at);
  lines_ = std::move(joined);
  std::vector<int> eq(eq_.begin(), eq_.begin() + at);
  for (const QString& line : lines) eq.push_back(splitAt(line));
  eq.insert(eq.end(), eq_.begin() + at, eq_.end());
  eq_ = std::move(eq);
  if (last >= first) endInsertRows();
  if (wasEmpty) cellsChanged(0);
  emit changed();
}

void NameValueModel::removeLine(int at) {
  if (at < 0 || at >= lineCount()) return;
  if (lineCount() == 1) {
    lines_.clear();
    eq_.clear();
    cellsChanged(0);
  } else {
    beginRemoveRows(QModelIndex(), at, at);
    lines_.removeAt(at);
    eq_.erase(eq_.begin() + at);
    endRemoveRows();
  }
  emit changed();
}
