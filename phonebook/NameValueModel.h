// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Table model behind TNameValueGrid: a list of "name=value" lines shown as two columns.
// Row i shows line i; an empty list still shows one blank row. Every change of the content
// emits changed() once.
#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

class NameValueModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  NameValueModel(const QString& keyTitle, const QString& valueTitle, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // The editor's way in: writes only when the text differs (a keystroke always does).
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  void setTitle(int col, const QString& title);
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const QStringList& lines() const { return lines_; }
  int lineCount() const { return int(lines_.size()); }
  void setLines(const QStringList& lines);
  void clear();
  // line counts from 0; col 0 = name, 1 = value. Out of range reads give "".
  QString cell(int col, int line) const;
  // Always one change, even when the text stays the same; line 0 of an empty list creates it.
  void setCell(int col, int line, const QString& text);
  void insertLine(int at, const QString& line);
  void insertLines(int at, const QStringList& lines);  // one change
  void removeLine(int at);

 signals:
  void changed();

 private:
  static int splitAt(const QString& line) { return int(line.indexOf(QLatin1Char('='))); }
  void writeCell(int col, int line, const QString& text);
  void cellsChanged(int line);

  QString titles_[2];
  QStringList lines_;
  std::vector<int> eq_;  // position of each line's first "=", -1 when none
};
