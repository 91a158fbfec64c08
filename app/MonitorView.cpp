// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MonitorView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/Clock.h"

namespace {

constexpr int Margin = 4;  // around the text, as a plain text edit keeps it

int clampInt(qsizetype v) { return int(std::clamp<qsizetype>(v, 0, INT_MAX)); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Accessibility: a read-only, multi-line text whose text interface reads the lines as stored,
// so a screen reader asks for what it reads and never for the whole text at once.

namespace {

class MonitorAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit MonitorAccessible(TMonitorView* view)
      : QAccessibleWidget(view, QAccessible::EditableText) {}

  TMonitorView* view() const { return static_cast<TMonitorView*>(widget()); }
  const MonitorLines& lines() const { return view()->Lines(); }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
  }

  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return QAccessibleWidget::text(t);
    if (!view()->accessibleName().isEmpty()) return view()->accessibleName();
    // Named as its page is captioned, in the language of the settings file.
    for (QWidget* w = view()->parentWidget(); w; w = w->parentWidget()) {
      if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        for (int i = 0; i < tabs->count(); ++i)
          if (tabs->widget(i)->isAncestorOf(view()))
            return tabs->tabText(i).remove(QLatin1Char('&'));
      }
    }
    return view()->objectName();
  }

  // selection
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !view()->HasSelection()) return;
    *start = clampInt(view()->SelectionStart());
    *end = clampInt(view()->SelectionEnd());
  }
  int selectionCount() const override { return view()->HasSelection() ? 1 : 0; }
  void addSelection(int start, int end) override { view()->SetSelection(start, end); }
  void removeSelection(int index) override {
    if (index == 0) view()->SetSelection(view()->CursorPosition(), view()->CursorPosition());
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0) view()->SetSelection(start, end);
  }

  // cursor
  int cursorPosition() const override { return clampInt(view()->CursorPosition()); }
  void setCursorPosition(int position) override {
    view()->SetSelection(position, position);
    view()->ShowLine(lines().LineAt(position));
  }

  // text
  int characterCount() const override { return clampInt(lines().TextSize()); }
  QString text(int start, int end) const override {
    return QString::fromLatin1(lines().Text(start, end));
  }
  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                       int* end) const override {
    return around(offset, type, start, end);
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                           int* end) const override {
    int s = 0, e = 0;
    around(offset, type, &s, &e);
    if (s <= 0 || type == QAccessible::NoBoundary) {
      *start = *end = 0;
      return QString();
    }
    return around(s - 1, type, start, end);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                          int* end) const override {
    int s = 0, e = 0;
    around(offset, type, &s, &e);
    if (e >= characterCount() || type == QAccessible::NoBoundary) {
      *start = *end = characterCount();
      return QString();
    }
    return around(e, type, start, end);
  }

  // geometry
  QRect characterRect(int offset) const override {
    const QRect r = view()->OffsetRect(offset);
    if (r.isNull()) return r;
    return QRect(view()->viewport()->mapToGlobal(r.topLeft()), r.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    const QPoint p = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(p)) return -1;
    return clampInt(view()->OffsetAt(p));
  }
  void scrollToSubstring(int start, int /*end*/) override {
    view()->ShowLine(lines().LineAt(start));
  }
  QString attributes(int offset, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    Q_UNUSED(offset);
    return QString();
  }

 private:
  // The piece of text of the boundary type that holds the offset. Lines and paragraphs are
  // the received lines with their "\n"; characters, words and sentences do not cross them.
  QString around(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const {
    const int count = characterCount();
    offset = std::clamp(offset, 0, count);
    if (type == QAccessible::NoBoundary || count == 0) {
      *start = 0;
      *end = count;
      return text(0, count);
    }
    const qsizetype line = lines().LineAt(offset);
    const qsizetype lineStart = lines().LineStart(line);
    const qsizetype length = lines().Length(line);
    const qsizetype lineEnd = std::min<qsizetype>(lineStart + length + 1, count);
    qsizetype s = lineStart;
    qsizetype e = lineEnd;
    const qsizetype column = offset - lineStart;
    if (type == QAccessible::CharBoundary) {
      s = std::min<qsizetype>(offset, count - 1);
      e = s + 1;
    } else if (type != QAccessible::LineBoundary && type != QAccessible::ParagraphBoundary &&
               column < length) {
      const QString lineText = QString::fromLatin1(lines().Line(line));
      QTextBoundaryFinder finder(type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                                   : QTextBoundaryFinder::Sentence,
                                 lineText);
      finder.setPosition(int(column));
      const qsizetype b = finder.isAtBoundary() ? column : finder.toPreviousBoundary();
      finder.setPosition(int(column));
      const qsizetype a = finder.toNextBoundary();
      s = lineStart + std::max<qsizetype>(b, 0);
      e = lineStart + (a < 0 ? length : a);
    } else if (type != QAccessible::LineBoundary && type != QAccessible::ParagraphBoundary) {
      s = offset;  // the "\n" at the end of a line is a piece of its own
      e = lineEnd;
    }
    *start = clampInt(s);
    *end = clampInt(e);
    return text(*start, *end);
  }
};

QAccessibleInterface* monitorAccessible(const QString& key, QObject* object) {
  if (key == QLatin1String("TMonitorView"))
    if (auto* view = qobject_cast<TMonitorView*>(object)) return new MonitorAccessible(view);
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TMonitorView::TMonitorView(QWidget* parent)
    : QAbstractScrollArea(parent), refreshTimer_(new QTimer(this)), scrollTimer_(new QTimer(this)) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(monitorAccessible);
    return true;
  }();
  Q_UNUSED(factoryInstalled);

  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  refreshTimer_->setSingleShot(true);
  refreshTimer_->setInterval(RefreshInterval);
  connect(refreshTimer_, &QTimer::timeout, this, &TMonitorView::Refresh);
  scrollTimer_->setInterval(50);
  connect(scrollTimer_, &QTimer::timeout, this, &TMonitorView::autoScroll);
  updateScrollBars();
}

TMonitorView::~TMonitorView() = default;

void TMonitorView::AppendLine(QByteArrayView line) {
  lines_.Append(line);
  // The steady clock is a cheap read; the date is made of it only for the lines in sight.
  seconds_.append(clock_ ? quint32(clock_->steadyMs() / 1000) : 0);
  if (refreshQueued_ || refreshTimer_->isActive()) return;
  // After a quiet spell the lines show as soon as their batch is done, without a wake-up of
  // their own (a report every few seconds would otherwise cost one); in a flood the screen
  // follows every RefreshInterval ms.
  if (sinceRefresh_.isValid() && !sinceRefresh_.hasExpired(RefreshInterval)) {
    refreshTimer_->start();
    return;
  }
  refreshQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (refreshQueued_) Refresh();
      },
      Qt::QueuedConnection);
}

void TMonitorView::Clear() {
  lines_ = MonitorLines();
  seconds_.clear();
  shown_ = 0;
  anchor_ = position_ = 0;
  widest_ = 0;
  refreshTimer_->stop();
  refreshQueued_ = false;
  updateScrollBars();
  viewport()->update();
}

void TMonitorView::SetClock(const Clock* clock) {
  clock_ = clock;
  begun_ = clock ? clock->now().toMSecsSinceEpoch() - clock->steadyMs() : 0;
}

QString TMonitorView::LineTime(qsizetype i) const {
  if (i < 0 || i >= seconds_.size()) return QString();
  return QDateTime::fromMSecsSinceEpoch(begun_ + qint64(seconds_[i]) * 1000)
      .toString(QStringLiteral("HH:mm:ss"));
}

int TMonitorView::gutterWidth() const {
  return fontMetrics().horizontalAdvance(QStringLiteral("00:00:00  "));
}

void TMonitorView::SetShowTimes(bool shown) {
  gutter_ = shown ? gutterWidth() : 0;
  updateScrollBars();
  viewport()->update();
}

bool TMonitorView::FindNext(const QString& text) {
  const qsizetype count = lines_.Count();
  if (text.isEmpty() || count == 0) return false;
  const QByteArray needle = text.toLatin1();
  // From behind the current selection, so that the same line is not found again at once.
  const qsizetype from = SelectionEnd();
  const qsizetype first = lines_.LineAt(from);
  for (qsizetype k = 0; k <= count; ++k) {
    const qsizetype i = (first + k) % count;
    const QByteArrayView line = lines_.Line(i);
    const QLatin1String hay(line.data(), line.size());
    const qsizetype start = lines_.LineStart(i);
    const qsizetype at =
        hay.indexOf(QLatin1String(needle), k == 0 ? std::max<qsizetype>(from - start, 0) : 0,
                    Qt::CaseInsensitive);
    if (at < 0) continue;
    SetSelection(start + at, start + at + needle.size());
    ShowLine(i);
    return true;
  }
  return false;
}

QString TMonitorView::toPlainText() const {
  return QString::fromLatin1(lines_.Text(0, lines_.TextSize()));
}

void TMonitorView::SetSelection(qsizetype anchor, qsizetype position) {
  const qsizetype size = lines_.TextSize();
  anchor = std::clamp<qsizetype>(anchor, 0, size);
  position = std::clamp<qsizetype>(position, 0, size);
  if (anchor == anchor_ && position == position_) return;
  anchor_ = anchor;
  position_ = position;
  viewport()->update();
  if (QAccessible::isActive()) {
    QAccessibleTextSelectionEvent event(this, clampInt(SelectionStart()), clampInt(SelectionEnd()));
    event.setCursorPosition(clampInt(position_));
    QAccessible::updateAccessibility(&event);
  }
}

QString TMonitorView::SelectedText() const {
  return QString::fromLatin1(lines_.Text(SelectionStart(), SelectionEnd()));
}

void TMonitorView::SelectAll() { SetSelection(0, lines_.TextSize()); }

void TMonitorView::Copy() const {
  if (HasSelection()) QGuiApplication::clipboard()->setText(SelectedText());
}

// Whole pixels, rounded up as a plain text edit lays its lines out.
int TMonitorView::lineHeight() const {
  return std::max(1, int(std::ceil(QFontMetricsF(font()).lineSpacing())));
}

int TMonitorView::VisibleLineCount() const {
  return std::max(1, (viewport()->height() - 2 * Margin) / lineHeight());
}

qsizetype TMonitorView::FirstVisibleLine() const { return verticalScrollBar()->value(); }

void TMonitorView::Refresh() {
  refreshTimer_->stop();
  refreshQueued_ = false;
  sinceRefresh_.start();
  QScrollBar* bar = verticalScrollBar();
  // At the end before the new lines: stay at the end. Not while the user drags a selection.
  const bool follow = bar->value() >= bar->maximum() && !selecting_;
  const qsizetype before = shown_;
  shown_ = lines_.Count();
  updateScrollBars();
  if (follow) bar->setValue(bar->maximum());
  viewport()->update();
  if (QAccessible::isActive() && shown_ > before) {
    const qsizetype from = lines_.LineStart(before) - (before > 0 ? 1 : 0);
    QAccessibleTextInsertEvent event(this, clampInt(from),
                                     QString::fromLatin1(lines_.Text(from, lines_.TextSize())));
    QAccessible::updateAccessibility(&event);
  }
}

void TMonitorView::updateScrollBars() {
  QScrollBar* v = verticalScrollBar();
  const int fit = VisibleLineCount();
  v->setRange(0, clampInt(shown_ - fit));
  v->setPageStep(fit);
  v->setSingleStep(1);
  QScrollBar* h = horizontalScrollBar();
  const int width = viewport()->width();
  h->setRange(0, std::max(0, int(std::ceil(widest_)) + gutter_ + 2 * Margin - width));
  h->setPageStep(width);
  h->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
}

void TMonitorView::ShowLine(qsizetype line) {
  QScrollBar* v = verticalScrollBar();
  if (line < v->value())
    v->setValue(clampInt(line));
  else if (line >= v->value() + VisibleLineCount())
    v->setValue(clampInt(line - VisibleLineCount() + 1));
}

qreal TMonitorView::columnX(const QString& text, qsizetype column) const {
  if (column <= 0) return 0;
  return QFontMetricsF(font()).horizontalAdvance(text.left(column));
}

qsizetype TMonitorView::OffsetAt(const QPoint& point) const {
  if (shown_ == 0) return 0;
  const qsizetype row = point.y() < Margin ? -1 : (point.y() - Margin) / lineHeight();
  const qsizetype line = FirstVisibleLine() + row;
  if (line < 0) return 0;
  if (line >= shown_) return lines_.LineStart(shown_ - 1) + lines_.Length(shown_ - 1);
  const QString text = lineText(line);
  QTextLayout layout(text, font());
  layout.beginLayout();
  QTextLine textLine = layout.createLine();
  layout.endLayout();
  const qreal x = point.x() - Margin - gutter_ + horizontalScrollBar()->value();
  const int column = textLine.isValid() ? textLine.xToCursor(x) : 0;
  return lines_.LineStart(line) + std::clamp<qsizetype>(column, 0, text.size());
}

QRect TMonitorView::OffsetRect(qsizetype offset) const {
  if (shown_ == 0) return QRect();
  const qsizetype line = lines_.LineAt(offset);
  const qsizetype row = line - FirstVisibleLine();
  if (line >= shown_ || row < 0 || row > VisibleLineCount()) return QRect();
  const QString text = lineText(line);
  const qsizetype column = offset - lines_.LineStart(line);
  const qreal x = columnX(text, column);
  const qreal next = column < text.size() ? columnX(text, column + 1)
                                          : x + fontMetrics().horizontalAdvance(QLatin1Char(' '));
  const int left = Margin + gutter_ - horizontalScrollBar()->value() + int(x);
  return QRect(left, Margin + int(row) * lineHeight(), std::max(1, int(next - x)), lineHeight());
}

void TMonitorView::paintEvent(QPaintEvent* /*event*/) {
  QPainter p(viewport());
  const QFontMetricsF metrics(font());
  const int height = lineHeight();
  const qreal timeLeft = Margin - horizontalScrollBar()->value();
  const qreal left = timeLeft + gutter_;
  const QColor timeColour = palette().color(QPalette::PlaceholderText);
  const qsizetype selStart = SelectionStart();
  const qsizetype selEnd = SelectionEnd();
  const QColor textColour = palette().color(QPalette::Text);
  const QColor highlight = palette().color(QPalette::Highlight);
  const QColor highlightedText = palette().color(QPalette::HighlightedText);
  const qreal widestBefore = widest_;
  int y = Margin;
  for (qsizetype i = FirstVisibleLine(); i < shown_ && y < viewport()->height(); ++i) {
    const QString text = lineText(i);
    const QPointF base(left, y + metrics.ascent());
    // The empty line of the unit's frame carries nothing to put a time to.
    if (gutter_ > 0 && !text.isEmpty()) {
      p.setPen(timeColour);
      p.drawText(QPointF(timeLeft, base.y()), LineTime(i));
    }
    p.setPen(textColour);
    p.drawText(base, text);
    widest_ = std::max(widest_, metrics.horizontalAdvance(text));
    // The selected part: the line again in the selection's colours, clipped to it.
    const qsizetype start = lines_.LineStart(i);
    if (selEnd > start && selStart <= start + text.size()) {
      const qsizetype a = std::max<qsizetype>(selStart - start, 0);
      const qsizetype b = std::min<qsizetype>(selEnd - start, text.size());
      const bool lineEnd = selEnd > start + text.size();
      const qreal x1 = left + columnX(text, a);
      const qreal x2 = left + columnX(text, b) + (lineEnd ? metrics.horizontalAdvance(' ') : 0);
      if (x2 > x1) {
        const QRectF box(x1, y, x2 - x1, height);
        p.fillRect(box, highlight);
        p.save();
        p.setClipRect(box);
        p.setPen(highlightedText);
        p.drawText(base, text);
        p.restore();
      }
    }
    y += height;
  }
  // A wider line came into sight: widen the horizontal range once painting is over.
  if (widest_ > widestBefore)
    QMetaObject::invokeMethod(
        this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
}

void TMonitorView::resizeEvent(QResizeEvent* event) {
  QScrollBar* bar = verticalScrollBar();
  const bool atEnd = bar->value() >= bar->maximum();
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
  if (atEnd) bar->setValue(bar->maximum());
}

void TMonitorView::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  Refresh();
}

void TMonitorView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    widest_ = 0;
    if (gutter_ > 0) gutter_ = gutterWidth();
    updateScrollBars();
    viewport()->update();
  }
}

void TMonitorView::scrollContentsBy(int /*dx*/, int /*dy*/) { viewport()->update(); }

void TMonitorView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  const qsizetype at = OffsetAt(event->position().toPoint());
  if (event->modifiers() & Qt::ShiftModifier)
    SetSelection(anchor_, at);
  else
    SetSelection(at, at);
  selecting_ = true;
  dragPoint_ = event->position().toPoint();
}

void TMonitorView::mouseMoveEvent(QMouseEvent* event) {
  if (!selecting_ || !(event->buttons() & Qt::LeftButton)) return;
  dragTo(event->position().toPoint());
  // Beyond the top or bottom edge the view scrolls on while the button is held.
  const bool outside = dragPoint_.y() < 0 || dragPoint_.y() >= viewport()->height();
  if (outside && !scrollTimer_->isActive())
    scrollTimer_->start();
  else if (!outside)
    scrollTimer_->stop();
}

void TMonitorView::dragTo(const QPoint& point) {
  dragPoint_ = point;
  SetSelection(anchor_, OffsetAt(point));
}

void TMonitorView::autoScroll() {
  if (!selecting_) {
    scrollTimer_->stop();
    return;
  }
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + (dragPoint_.y() < 0 ? -1 : 1));
  dragTo(dragPoint_);
}

void TMonitorView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !selecting_) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  selecting_ = false;
  scrollTimer_->stop();
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (HasSelection() && clipboard->supportsSelection())
    clipboard->setText(SelectedText(), QClipboard::Selection);
  if (shown_ != lines_.Count()) Refresh();
}

void TMonitorView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || shown_ == 0) return;
  // The run of characters without blanks under the pointer.
  const qsizetype at = OffsetAt(event->position().toPoint());
  const qsizetype line = lines_.LineAt(at);
  const qsizetype start = lines_.LineStart(line);
  const QByteArrayView text = lines_.Line(line);
  qsizetype b = at - start;
  qsizetype e = b;
  while (b > 0 && text[b - 1] != ' ') --b;
  while (e < text.size() && text[e] != ' ') ++e;
  SetSelection(start + b, start + e);
  selecting_ = true;
}

void TMonitorView::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::Copy) {
    Copy();
  } else if (event == QKeySequence::SelectAll) {
    SelectAll();
  } else if (event->key() == Qt::Key_Home) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
  } else if (event->key() == Qt::Key_End) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  } else {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  event->accept();
}

void TMonitorView::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(CopyCaption, this, &TMonitorView::Copy);
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(HasSelection());
  menu.addSeparator();
  QAction* all = menu.addAction(SelectAllCaption, this, &TMonitorView::SelectAll);
  all->setShortcut(QKeySequence::SelectAll);
  all->setEnabled(shown_ > 0);
  menu.exec(event->globalPos());
}
