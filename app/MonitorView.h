// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Monitor: a read-only view of every line received from the unit, with a vertical scroll
// bar, mouse selection and copy. It keeps the lines' bytes (MonitorLines) and lays out only
// the lines in sight, so months of lines cost little and arrive as quickly as the first.
#include <QAbstractScrollArea>
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <algorithm>

#include "files/MonitorFile.h"

class Clock;
class QTimer;

class TMonitorView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TMonitorView(QWidget* parent = nullptr);
  ~TMonitorView() override;

  // ---- the lines ----
  // Shown once the event loop is back (at the latest after RefreshInterval ms in a flood), or at
  // Refresh(): the screen follows a flood of lines without being repainted for each of them.
  void AppendLine(QByteArrayView line);
  // Forgets every line (the monitor file then holds what comes after).
  void Clear();

  // ---- the time of each line: kept as seconds since the view began (four bytes a line),
  // shown in a column before the lines while ShowTimes is on; never part of the text ----
  void SetClock(const Clock* clock);
  void SetShowTimes(bool shown);
  bool ShowTimes() const { return gutter_ > 0; }
  // The local time the line came, "hh:mm:ss".
  QString LineTime(qsizetype i) const;

  // ---- find: the next line from the cursor on holding the text (letter case ignored),
  // selected and scrolled into sight; past the last line it goes on from the first. False
  // when no line holds it. ----
  bool FindNext(const QString& text);
  qsizetype LineCount() const { return lines_.Count(); }
  QByteArray Line(qsizetype i) const { return lines_.Line(i).toByteArray(); }
  const MonitorLines& Lines() const { return lines_; }
  // What the monitor's Save writes.
  QByteArray FileBytes() const { return lines_.FileBytes(); }
  // The lines joined by "\n", bytes as Latin-1 characters.
  QString toPlainText() const;

  // ---- selection: offsets into that text ----
  void SetSelection(qsizetype anchor, qsizetype position);
  qsizetype SelectionStart() const { return std::min(anchor_, position_); }
  qsizetype SelectionEnd() const { return std::max(anchor_, position_); }
  qsizetype CursorPosition() const { return position_; }
  bool HasSelection() const { return anchor_ != position_; }
  QString SelectedText() const;
  void SelectAll();
  void Copy() const;  // the selection to the clipboard

  // ---- the view ----
  qsizetype FirstVisibleLine() const;
  // Lines that fit whole into the view.
  int VisibleLineCount() const;
  // Puts the new lines on the screen now. A view scrolled to the end keeps the newest line in
  // sight; one the user has scrolled back stays where it is.
  void Refresh();
  // Scrolls so that the line is in sight.
  void ShowLine(qsizetype line);
  // The text offset at a point of the viewport, and the place of an offset on it (the line's
  // box; nothing for a line out of sight).
  qsizetype OffsetAt(const QPoint& point) const;
  QRect OffsetRect(qsizetype offset) const;

  static constexpr int RefreshInterval = 50;

  // The captions of the context menu.
  QString CopyCaption = QStringLiteral("&Copy");
  QString SelectAllCaption = QStringLiteral("Select All");

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  int lineHeight() const;
  QString lineText(qsizetype i) const { return QString::fromLatin1(lines_.Line(i)); }
  qreal columnX(const QString& text, qsizetype column) const;
  void updateScrollBars();
  int gutterWidth() const;
  void dragTo(const QPoint& point);
  void autoScroll();

  MonitorLines lines_;
  QList<quint32> seconds_;  // each line's time, seconds after begun_
  const Clock* clock_ = nullptr;
  qint64 begun_ = 0;     // the clock's date and time (ms since the epoch) at steady ms 0
  int gutter_ = 0;       // width of the time column; 0 while times are not shown
  qsizetype shown_ = 0;  // lines the screen and the scroll range know of
  qsizetype anchor_ = 0;
  qsizetype position_ = 0;
  bool selecting_ = false;  // the left button is down in the view
  QPoint dragPoint_;
  qreal widest_ = 0;  // widest line painted so far: the horizontal range
  QTimer* refreshTimer_;
  QElapsedTimer sinceRefresh_;
  bool refreshQueued_ = false;
  QTimer* scrollTimer_;
};
