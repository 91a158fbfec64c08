// SPDX-License-Identifier: GPL-3.0-or-later
// The Monitor: its lines, selection and copy with mouse and keys, the view following the
// newest line, and what a screen reader is told.
#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

#include "app/MonitorView.h"
#include "platform/Clock.h"

namespace {

// Empty lines, bytes above 127, a line of the longest kind, and plain reports.
QList<QByteArray> sampleLines(int count) {
  QList<QByteArray> lines;
  for (int i = 0; i < count; ++i) {
    if (i % 3 == 1)
      lines << QByteArray();
    else if (i % 7 == 0)
      lines << "\xE9t\xE9\xA0" + QByteArray::number(i);
    else
      lines << "+CSQ: " + QByteArray::number(i) + ",99";
  }
  lines[5] = QByteArray(2048, 'L');
  return lines;
}

QString joined(const QList<QByteArray>& lines) { return QString::fromLatin1(lines.join('\n')); }

// The text offset of a column of a line.
qsizetype offsetOf(const QList<QByteArray>& lines, int line, int column) {
  qsizetype offset = 0;
  for (int i = 0; i < line; ++i) offset += lines[i].size() + 1;
  return offset + column;
}

struct Monitor {
  TMonitorView view;
  QList<QByteArray> lines;
  explicit Monitor(int count) : lines(sampleLines(count)) {
    view.resize(300, 200);
    view.show();
    for (const QByteArray& line : lines) view.AppendLine(line);
    view.Refresh();
  }
  // A point on a line in sight, at the far left or beyond its end.
  QPoint at(int line, bool end) const {
    const QRect box = view.OffsetRect(view.Lines().LineStart(line));
    return QPoint(end ? view.viewport()->width() - 2 : 1, box.center().y());
  }
};

struct StillClock : Clock {
  QDateTime start;
  qint64 ms = 0;
  void pause(int) override {}
  QDateTime now() const override { return start.addMSecs(ms); }
  qint64 steadyMs() const override { return ms; }
};

}  // namespace

class TestMonitorView : public QObject {
  Q_OBJECT

 private slots:
  void linesAndFile() {
    Monitor m(40);
    QCOMPARE(m.view.LineCount(), 40);
    QCOMPARE(m.view.toPlainText(), joined(m.lines));
    QByteArray file;
    for (const QByteArray& line : m.lines) file += line + "\r\n";
    QCOMPARE(m.view.FileBytes(), file);
    QCOMPARE(m.view.Line(7), m.lines[7]);

    TMonitorView empty;
    QCOMPARE(empty.FileBytes(), QByteArray());
    empty.AppendLine(QByteArray());
    QCOMPARE(empty.FileBytes(), QByteArray("\r\n"));  // a first empty line is a line
  }

  // Times beside the lines, never in their text or the file; find from the cursor on, round
  // to the top; clear.
  void timesFindAndClear() {
    StillClock clock;
    clock.start = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58));
    TMonitorView view;
    view.resize(300, 200);
    view.show();
    view.SetClock(&clock);
    view.AppendLine("Gate open");
    clock.ms = 3500;
    view.AppendLine("+CSQ: 18,99");
    view.AppendLine("+csq again");
    view.Refresh();
    QCOMPARE(view.LineTime(0), QStringLiteral("23:59:58"));
    QCOMPARE(view.LineTime(1), QStringLiteral("00:00:01"));
    const QByteArray file = view.FileBytes();
    const int left = view.OffsetRect(12).left();
    view.SetShowTimes(true);
    QVERIFY(view.ShowTimes() && view.OffsetRect(12).left() > left);
    QCOMPARE(view.OffsetAt(view.OffsetRect(12).center()), 12);
    QCOMPARE(view.FileBytes(), file);
    QCOMPARE(view.toPlainText(), QStringLiteral("Gate open\n+CSQ: 18,99\n+csq again"));

    QVERIFY(view.FindNext("CSQ"));
    QCOMPARE(view.SelectedText(), QStringLiteral("CSQ"));
    QCOMPARE(view.SelectionStart(), 11);
    QVERIFY(view.FindNext("CSQ"));
    QCOMPARE(view.SelectedText(), QStringLiteral("csq"));
    QVERIFY(view.FindNext("CSQ"));
    QCOMPARE(view.SelectionStart(), 11);  // round to the first again
    QVERIFY(!view.FindNext("absent"));

    view.Clear();
    QCOMPARE(view.LineCount(), 0);
    QCOMPARE(view.FileBytes(), QByteArray());
    QVERIFY(!view.HasSelection());
    view.AppendLine("next");
    QCOMPARE(view.LineTime(0), QStringLiteral("00:00:01"));
  }

  void selectionAndCopy_data() {
    QTest::addColumn<int>("fromLine");
    QTest::addColumn<int>("fromColumn");
    QTest::addColumn<int>("toLine");
    QTest::addColumn<int>("toColumn");
    QTest::newRow("within a line") << 3 << 2 << 3 << 6;
    QTest::newRow("across the long line") << 4 << 0 << 6 << 3;
    QTest::newRow("from an empty line over hundreds") << 1 << 0 << 900 << 4;
    QTest::newRow("backwards, from the end of the text") << 999 << 12 << 9 << 1;
    QTest::newRow("last character and line end") << 2 << 9 << 3 << 0;
  }
  void selectionAndCopy() {
    QFETCH(int, fromLine);
    QFETCH(int, fromColumn);
    QFETCH(int, toLine);
    QFETCH(int, toColumn);
    Monitor m(1000);
    const qsizetype a = offsetOf(m.lines, fromLine, fromColumn);
    const qsizetype b = offsetOf(m.lines, toLine, toColumn);
    const QString expected = joined(m.lines).mid(std::min(a, b), std::abs(b - a));
    m.view.SetSelection(a, b);
    QCOMPARE(m.view.SelectedText(), expected);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&m.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
  }

  // A click, the scroll bar, a shifted click further down and Ctrl+C, as a user copies a range.
  void mouseSelectsAcrossManyLines() {
    Monitor m(1000);
    m.view.verticalScrollBar()->setValue(0);
    QTest::mouseClick(m.view.viewport(), Qt::LeftButton, {}, m.at(3, false));
    m.view.verticalScrollBar()->setValue(800);
    QCOMPARE(m.view.FirstVisibleLine(), 800);
    QTest::mouseClick(m.view.viewport(), Qt::LeftButton, Qt::ShiftModifier, m.at(802, true));
    QTest::keyClick(&m.view, Qt::Key_C, Qt::ControlModifier);
    const qsizetype a = offsetOf(m.lines, 3, 0);
    const qsizetype b = offsetOf(m.lines, 803, 0) - 1;  // to the end of line 802
    QCOMPARE(QGuiApplication::clipboard()->text(), joined(m.lines).mid(a, b - a));

    // A drag within the view, then everything.
    QTest::mousePress(m.view.viewport(), Qt::LeftButton, {}, m.at(804, true));
    QTest::mouseMove(m.view.viewport(), m.at(806, false));
    QTest::mouseRelease(m.view.viewport(), Qt::LeftButton, {}, m.at(806, false));
    QCOMPARE(m.view.SelectedText(),
             joined(m.lines).mid(offsetOf(m.lines, 805, 0) - 1,
                                 offsetOf(m.lines, 806, 0) - offsetOf(m.lines, 805, 0) + 1));
    QTest::keyClick(&m.view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(m.view.SelectedText(), joined(m.lines));
  }

  // New lines come into sight by themselves unless the user has scrolled back or is selecting.
  void followsTheNewestLine_data() {
    QTest::addColumn<int>("scrolledTo");  // -1: the end
    QTest::addColumn<bool>("dragging");
    QTest::addColumn<bool>("follows");
    QTest::newRow("at the end") << -1 << false << true;
    QTest::newRow("scrolled back") << 10 << false << false;
    QTest::newRow("selecting at the end") << -1 << true << false;
  }
  void followsTheNewestLine() {
    QFETCH(int, scrolledTo);
    QFETCH(bool, dragging);
    QFETCH(bool, follows);
    Monitor m(500);
    QScrollBar* bar = m.view.verticalScrollBar();
    const int fit = m.view.VisibleLineCount();
    QCOMPARE(m.view.FirstVisibleLine(), 500 - fit);
    if (scrolledTo >= 0) bar->setValue(scrolledTo);
    const qsizetype before = m.view.FirstVisibleLine();
    if (dragging)
      QTest::mousePress(m.view.viewport(), Qt::LeftButton, {}, m.at(int(before), false));
    for (int i = 0; i < 300; ++i) m.view.AppendLine("+CREG: 1");
    QTRY_COMPARE(bar->maximum(), 800 - fit);  // shown without being asked
    QCOMPARE(m.view.FirstVisibleLine(), follows ? 800 - fit : before);
    if (dragging) {
      QTest::mouseRelease(m.view.viewport(), Qt::LeftButton, {}, m.at(int(before), false));
      bar->setValue(bar->maximum());
      m.view.AppendLine("last");
      m.view.Refresh();
      QCOMPARE(m.view.FirstVisibleLine(), 801 - fit);
    }
  }

  void screenReader() {
    QTabWidget tabs;
    auto* page = new QWidget;
    auto* view = new TMonitorView(page);
    tabs.addTab(page, QStringLiteral("MONITOR"));
    const QList<QByteArray> lines = sampleLines(30);
    for (const QByteArray& line : lines) view->AppendLine(line);
    view->Refresh();

    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view);
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::EditableText);
    QVERIFY(a->state().readOnly && a->state().multiLine);
    QCOMPARE(a->text(QAccessible::Name), QStringLiteral("MONITOR"));
    QAccessibleTextInterface* text = a->textInterface();
    QVERIFY(text);
    const QString all = joined(lines);
    QCOMPARE(text->characterCount(), all.size());
    QCOMPARE(text->text(5, 2100), all.mid(5, 2095));

    // Line by line, each with its line end; the last has none.
    int start = 0, end = 0;
    const int inLine3 = int(offsetOf(lines, 3, 4));
    QCOMPARE(text->textAtOffset(inLine3, QAccessible::LineBoundary, &start, &end),
             QString::fromLatin1(lines[3] + "\n"));
    QCOMPARE(start, int(offsetOf(lines, 3, 0)));
    QCOMPARE(text->textAfterOffset(inLine3, QAccessible::LineBoundary, &start, &end),
             QString::fromLatin1(lines[4] + "\n"));
    QCOMPARE(text->textBeforeOffset(inLine3, QAccessible::LineBoundary, &start, &end),
             QString::fromLatin1(lines[2] + "\n"));
    QCOMPARE(text->textAtOffset(all.size(), QAccessible::LineBoundary, &start, &end),
             QString::fromLatin1(lines.last()));
    QCOMPARE(
        text->textAtOffset(int(offsetOf(lines, 2, 6)), QAccessible::WordBoundary, &start, &end),
        QStringLiteral("2,99"));

    text->setSelection(0, inLine3, inLine3 + 3);
    QCOMPARE(view->SelectedText(), all.mid(inLine3, 3));
    QCOMPARE(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    QCOMPARE(QList<int>({start, end}), QList<int>({inLine3, inLine3 + 3}));
  }
};

QTEST_MAIN(TestMonitorView)
#include "test_monitorview.moc"
