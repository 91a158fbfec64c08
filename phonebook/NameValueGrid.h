// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two-column name/value grid of PhoneBook1 and AdmisRec. Its content is a list of lines
// "name=value"; data row r (from 1) shows line r split at its first "=". Row 0 is the title
// row; the row count is the number of lines plus one and never less than 2, so an empty grid
// shows one blank data row. Every change of the content raises StringsChange, including each
// keystroke of in-place editing.
#include <QStringList>
#include <QTableView>
#include <optional>
#include <vector>

class NameValueModel;
class QAction;
class QLineEdit;
class QMimeData;

class TNameValueGrid : public QTableView {
  Q_OBJECT

 public:
  TNameValueGrid(const QString& keyTitle, const QString& valueTitle, QWidget* parent = nullptr);
  ~TNameValueGrid() override;

  // The whole content, one "name=value" line each.
  QStringList Strings() const;
  // One change event; the current row and column stay where the new content allows.
  void SetStrings(const QStringList& lines);
  void AddLine(const QString& line);  // one change event
  void Clear();                       // one change event
  int LineCount() const;

  int RowCount() const;  // lines + 1, never less than 2
  // col 0 = name, col 1 = value; row from 1. Reading the blank row of an empty grid gives "".
  QString Cell(int col, int row) const;
  // Writing a cell is one change; writing into the blank row of an empty grid creates its line.
  void SetCell(int col, int row, const QString& text);

  int Row() const;       // current data row, from 1
  void SetRow(int row);  // held to the data rows; the column stays; scrolled into view
  int Column() const;    // current column, 0 = name
  QString Title(int col) const;
  void SetTitle(int col, const QString& title);

  // Keyboard rules: down arrow on the last row appends a blank row, Insert inserts one at the
  // current row (both only when the current row's name is not empty), Ctrl+Delete deletes the
  // current row. The new or following row is current when the change is announced, so a
  // check on the current row sees it. AdmisRec switches them off: its rows are edited but never
  // added or deleted.
  void SetRowEditing(bool allowed);

  void SetColumnWidths(int keyWidth, int valueWidth);
  // Grid background colour (the entry check greys it on a fault).
  void SetBackground(const QColor& colour);
  QColor Background() const;

  // ---- the way to and from spreadsheets (Ctrl+C, Ctrl+V, Ctrl+Z and the context menu) ----
  // The selected rows as a spreadsheet puts them on the clipboard, or the current cell's text
  // alone when no more than one cell is selected.
  QString SelectionText() const;
  // Rows go on the clipboard also as the grid's own lines, which a paste takes as they are.
  void CopyToClipboard();
  static std::optional<QStringList> CopiedLines(const QMimeData* data);
  // Inserts the lines before the current row as one change. Each new row is then made current
  // and announced, so a check on the current row sees every one; they end selected.
  void InsertLines(const QStringList& lines);
  // Writes the current cell: one change.
  void PasteIntoCell(const QString& text);
  // Takes back the last paste or Ctrl+Delete, if nothing else has changed the content since.
  bool Undo();
  bool CanUndo() const { return undo_.has_value(); }
  // The context menu's entries; their texts come from the settings.
  QAction* CopyAction() const { return copy_; }
  QAction* PasteAction() const { return paste_; }
  QAction* UndoAction() const { return undoAction_; }

 signals:
  void StringsChange();
  // Ctrl+V or the menu's Paste in a grid whose rows may be edited: what the clipboard's text
  // becomes is the window's business.
  void PasteRequest();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  friend class NameValueDelegate;
  // The row keys above, from the grid or from an open cell editor; true when handled.
  bool rowKey(QKeyEvent* event);
  // Ctrl+V in an open cell editor with several cells on the clipboard; true: taken.
  bool pasteRowsFromEditor(QLineEdit* editor);
  // Makes a row current without raising a change (the row is clamped to the data rows).
  void placeCurrent(int row, int col);
  // What Undo puts back: the content before the change now being made.
  void keepForUndo();
  std::vector<int> selectedLines() const;  // from 0, in order

  struct Snapshot {
    QStringList lines;
    int row;
    int col;
  };

  NameValueModel* model_;
  bool rowEditing_ = true;
  bool holdChange_ = false;  // a row key announces its change itself
  std::optional<Snapshot> undo_;
  bool undoable_ = false;  // the change being made is the one undo_ takes back
  QAction* copy_;
  QAction* paste_;
  QAction* undoAction_;
};
