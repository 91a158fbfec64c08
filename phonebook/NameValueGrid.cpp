// SPDX-License-Identifier: GPL-3.0-or-later
#include "phonebook/NameValueGrid.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>
#include <set>

#include "files/PhoneBookSheet.h"
#include "phonebook/NameValueModel.h"

namespace {

// Sets a flag for as long as it lives.
struct SetWhile {
  explicit SetWhile(bool& f) : flag(f) { flag = true; }
  ~SetWhile() { flag = false; }
  bool& flag;
};

const QString RowsMimeType = QStringLiteral("application/x-zulset-grid-lines");

#ifdef Q_OS_WIN
const QString ClipboardLineEnd = QStringLiteral("\r\n");
#else
const QString ClipboardLineEnd = QStringLiteral("\n");
#endif

// A cell holds no line end or tab: the files and the clipboard would split it into cells of
// their own. What comes in with one keeps its first cell's text.
bool holdsCellBreak(const QString& text) {
  for (const QChar c : text)
    if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) return true;
  return false;
}

QString firstCell(const QString& text) {
  qsizetype end = 0;
  while (end < text.size() && !holdsCellBreak(text.mid(end, 1))) ++end;
  return text.left(end);
}

// The editor's new text with what was put in cut to its first cell.
QString withFirstCellOnly(const QString& before, const QString& after, int* caret) {
  qsizetype p = 0;
  while (p < before.size() && p < after.size() && before[p] == after[p]) ++p;
  qsizetype q = 0;
  while (q < before.size() - p && q < after.size() - p &&
         before[before.size() - 1 - q] == after[after.size() - 1 - q])
    ++q;
  const QString put = firstCell(after.mid(p, after.size() - p - q));
  *caret = int(p + put.size());
  return after.left(p) + put + after.right(q);
}

}  // namespace

// Cell editor that passes every keystroke into the content, so the grid's change event (and
// whatever check hangs on it) sees the text as it is typed.
class NameValueDelegate : public QStyledItemDelegate {
 public:
  explicit NameValueDelegate(TNameValueGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    QAbstractItemModel* model = const_cast<QAbstractItemModel*>(index.model());
    const QPersistentModelIndex cell(index);
    connect(editor, &QLineEdit::textEdited, editor, [model, cell, editor](const QString& text) {
      if (!cell.isValid()) return;
      if (!holdsCellBreak(text)) {
        model->setData(cell, text, Qt::EditRole);
        return;
      }
      // Dropped or pasted from the editor's own menu: the first cell only.
      int caret = 0;
      const QString kept = withFirstCellOnly(cell.data(Qt::EditRole).toString(), text, &caret);
      editor->setText(kept);
      editor->setCursorPosition(caret);
      model->setData(cell, kept, Qt::EditRole);
    });
    return editor;
  }

  // Called on every change of the cell; the text is usually what was just typed, and setting
  // it again would move the caret.
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* edit = static_cast<QLineEdit*>(editor);
    const QString text = index.data(Qt::EditRole).toString();
    if (edit->text() != text) edit->setText(text);
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    const QString text = static_cast<QLineEdit*>(editor)->text();
    if (index.data(Qt::EditRole).toString() != text) model->setData(index, text, Qt::EditRole);
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && grid_->rowKey(static_cast<QKeyEvent*>(event)))
      return true;
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste) &&
        holdsCellBreak(QGuiApplication::clipboard()->text()))
      return grid_->pasteRowsFromEditor(static_cast<QLineEdit*>(object));
    if (event->type() == QEvent::FocusOut) {
      // A message box raised by the change event must not end the edit under the user's hands.
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  TNameValueGrid* grid_;
};

TNameValueGrid::TNameValueGrid(const QString& keyTitle, const QString& valueTitle, QWidget* parent)
    : QTableView(parent), model_(new NameValueModel(keyTitle, valueTitle, this)) {
  setModel(model_);
  setItemDelegate(new NameValueDelegate(this));
  verticalHeader()->hide();
  // Fixed row heights keep a book of tens of thousands of lines cheap to lay out.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
  // Rows are selected for copying as in a spreadsheet: Shift with the arrows or the mouse.
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  setWordWrap(false);
  connect(model_, &NameValueModel::changed, this, [this] {
    // Undo puts back what stood before one paste or deletion, never over a later change.
    if (!undoable_) undo_.reset();
    if (!holdChange_) emit StringsChange();
  });
  placeCurrent(1, 0);

  copy_ = new QAction(QStringLiteral("Copy"), this);
  copy_->setShortcut(QKeySequence::Copy);
  paste_ = new QAction(QStringLiteral("Paste"), this);
  paste_->setShortcut(QKeySequence::Paste);
  undoAction_ = new QAction(QStringLiteral("Undo"), this);
  undoAction_->setShortcut(QKeySequence::Undo);
  // The keys themselves are taken by keyPressEvent; the menu only shows them.
  for (QAction* a : {copy_, paste_, undoAction_}) a->setShortcutContext(Qt::WidgetShortcut);
  connect(copy_, &QAction::triggered, this, &TNameValueGrid::CopyToClipboard);
  connect(paste_, &QAction::triggered, this, &TNameValueGrid::PasteRequest);
  connect(undoAction_, &QAction::triggered, this, &TNameValueGrid::Undo);
}

TNameValueGrid::~TNameValueGrid() = default;

QStringList TNameValueGrid::Strings() const { return model_->lines(); }

void TNameValueGrid::SetStrings(const QStringList& lines) {
  const int row = Row();
  const int col = Column();
  model_->setLines(lines);
  placeCurrent(row, col);
}

void TNameValueGrid::AddLine(const QString& line) { model_->insertLine(model_->lineCount(), line); }

void TNameValueGrid::Clear() { SetStrings(QStringList()); }

int TNameValueGrid::LineCount() const { return model_->lineCount(); }

int TNameValueGrid::RowCount() const { return std::max(model_->lineCount(), 1) + 1; }

QString TNameValueGrid::Cell(int col, int row) const { return model_->cell(col, row - 1); }

void TNameValueGrid::SetCell(int col, int row, const QString& text) {
  model_->setCell(col, row - 1, text);
}

int TNameValueGrid::Row() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() + 1 : 1;
}

void TNameValueGrid::SetRow(int row) {
  placeCurrent(row, Column());
  scrollTo(currentIndex());
}

int TNameValueGrid::Column() const {
  return currentIndex().isValid() ? currentIndex().column() : 0;
}

QString TNameValueGrid::Title(int col) const {
  return model_->headerData(col, Qt::Horizontal).toString();
}

void TNameValueGrid::SetTitle(int col, const QString& title) { model_->setTitle(col, title); }

void TNameValueGrid::placeCurrent(int row, int col) {
  row = std::clamp(row, 1, RowCount() - 1);
  selectionModel()->setCurrentIndex(model_->index(row - 1, col),
                                    QItemSelectionModel::ClearAndSelect);
}

void TNameValueGrid::SetRowEditing(bool allowed) { rowEditing_ = allowed; }

void TNameValueGrid::SetColumnWidths(int keyWidth, int valueWidth) {
  setColumnWidth(0, keyWidth);
  setColumnWidth(1, valueWidth);
}

// Only the viewport: the entry check switches the colour twice per run, and a palette change
// on the whole view would travel through its headers and scroll bars each time.
void TNameValueGrid::SetBackground(const QColor& colour) {
  if (colour == Background()) return;
  QPalette p = viewport()->palette();
  p.setColor(QPalette::Base, colour);
  viewport()->setPalette(p);
}

QColor TNameValueGrid::Background() const { return viewport()->palette().color(QPalette::Base); }

void TNameValueGrid::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopyToClipboard();
  } else if (event->matches(QKeySequence::Paste)) {
    if (rowEditing_) emit PasteRequest();
  } else if (event->matches(QKeySequence::Undo)) {
    if (rowEditing_) Undo();
  } else if (!rowKey(event)) {
    QTableView::keyPressEvent(event);
  }
}

void TNameValueGrid::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addAction(copy_);
  if (rowEditing_) {
    paste_->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
    undoAction_->setEnabled(CanUndo());
    menu.addAction(paste_);
    menu.addAction(undoAction_);
  }
  menu.exec(event->globalPos());
}

std::vector<int> TNameValueGrid::selectedLines() const {
  std::set<int> lines;
  for (const QModelIndex& cell : selectionModel()->selectedIndexes()) lines.insert(cell.row());
  return std::vector<int>(lines.begin(), lines.end());
}

QString TNameValueGrid::SelectionText() const {
  const QModelIndexList cells = selectionModel()->selectedIndexes();
  if (cells.size() <= 1) {
    const QModelIndex cell = cells.isEmpty() ? currentIndex() : cells.first();
    return Cell(cell.column(), cell.row() + 1);
  }
  QList<QStringList> rows;
  for (const int line : selectedLines())
    rows << QStringList{model_->cell(0, line), model_->cell(1, line)};
  return SheetClipboardText(rows, ClipboardLineEnd);
}

void TNameValueGrid::CopyToClipboard() {
  if (LineCount() == 0) return;  // the blank row of an empty grid holds nothing
  auto* data = new QMimeData;
  data->setText(SelectionText());
  if (selectionModel()->selectedIndexes().size() > 1) {
    QStringList lines;
    for (const int line : selectedLines()) lines << model_->lines().value(line);
    data->setData(RowsMimeType, lines.join(u'\n').toUtf8());
  }
  QGuiApplication::clipboard()->setMimeData(data);
}

std::optional<QStringList> TNameValueGrid::CopiedLines(const QMimeData* data) {
  if (data == nullptr || !data->hasFormat(RowsMimeType)) return std::nullopt;
  return QString::fromUtf8(data->data(RowsMimeType)).split(u'\n');
}

void TNameValueGrid::keepForUndo() { undo_ = Snapshot{model_->lines(), Row(), Column()}; }

void TNameValueGrid::InsertLines(const QStringList& lines) {
  if (lines.isEmpty()) return;
  const int at = Row() - 1;
  const int col = Column();
  keepForUndo();
  SetWhile undoable(undoable_);
  {
    SetWhile hold(holdChange_);
    model_->insertLines(at, lines);
  }
  for (int k = 1; k <= lines.size(); ++k) {
    placeCurrent(at + k, col);
    emit StringsChange();
  }
  placeCurrent(at + 1, col);
  selectionModel()->select(
      QItemSelection(model_->index(at, 0), model_->index(at + int(lines.size()) - 1, 1)),
      QItemSelectionModel::Select);
  scrollTo(currentIndex());
}

void TNameValueGrid::PasteIntoCell(const QString& text) {
  keepForUndo();
  SetWhile undoable(undoable_);
  SetCell(Column(), Row(), text);
}

bool TNameValueGrid::Undo() {
  if (!undo_) return false;
  const Snapshot s = std::move(*undo_);
  undo_.reset();
  {
    SetWhile hold(holdChange_);
    model_->setLines(s.lines);
  }
  placeCurrent(s.row, s.col);
  scrollTo(currentIndex());
  emit StringsChange();
  return true;
}

bool TNameValueGrid::rowKey(QKeyEvent* event) {
  if (!rowEditing_) return false;
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  const int row = Row();
  const int col = Column();
  // The new row is made current before the change is announced, so a check run by the
  // change event looks at the row the user now stands on.
  SetWhile hold(holdChange_);
  std::optional<SetWhile> undoable;  // a deletion stays undoable through its announcement
  if (event->key() == Qt::Key_Down && mods == Qt::NoModifier) {
    if (row != RowCount() - 1 || Cell(0, row).isEmpty()) return false;
    model_->insertLine(model_->lineCount(), QStringLiteral("="));
    placeCurrent(RowCount() - 1, col);
  } else if (event->key() == Qt::Key_Insert && mods == Qt::NoModifier) {
    if (Cell(0, row).isEmpty()) return true;
    model_->insertLine(row - 1, QStringLiteral("="));
    placeCurrent(row, col);
  } else if (event->key() == Qt::Key_Delete && mods == Qt::ControlModifier) {
    if (model_->lineCount() == 0) return true;
    keepForUndo();
    undoable.emplace(undoable_);
    model_->removeLine(row - 1);
    placeCurrent(row, col);
  } else {
    return false;
  }
  holdChange_ = false;
  scrollTo(currentIndex());
  emit StringsChange();
  return true;
}

bool TNameValueGrid::pasteRowsFromEditor(QLineEdit* editor) {
  if (!rowEditing_) {
    // No rows to add here: the first cell goes in where the caret is.
    editor->insert(firstCell(QGuiApplication::clipboard()->text()));
    emit editor->textEdited(editor->text());
    return true;
  }
  // Several rows: the edit ends as it stands, and they go in as rows, as outside an editor.
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
  setFocus();
  emit PasteRequest();
  return true;
}
