// SPDX-License-Identifier: GPL-3.0-or-later
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "phonebook/NameValueGrid.h"

class TestNameValueGrid : public QObject {
  Q_OBJECT

 private:
  // Opens the cell editor on the current cell and returns it.
  static QLineEdit* openEditor(TNameValueGrid& grid) {
    grid.edit(grid.currentIndex());
    auto* editor = grid.viewport()->findChild<QLineEdit*>();
    if (editor) editor->setFocus();
    return editor;
  }

 private slots:
  void rowsAndCells() {
    TNameValueGrid grid("Name", "Phone");
    QCOMPARE(grid.RowCount(), 2);  // an empty grid shows one blank row
    QCOMPARE(grid.Cell(0, 1), QString());
    QCOMPARE(grid.model()->headerData(0, Qt::Horizontal).toString(), QString("Name"));
    QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), QString("Phone"));

    grid.SetStrings({"ADMIN1=123=4", "noequals", "=5", "OUT="});
    QCOMPARE(grid.RowCount(), 5);
    QCOMPARE(grid.Cell(0, 1), QString("ADMIN1"));
    QCOMPARE(grid.Cell(1, 1), QString("123=4"));  // split at the first "=" only
    QCOMPARE(grid.Cell(0, 2), QString());
    QCOMPARE(grid.Cell(1, 2), QString("noequals"));
    QCOMPARE(grid.Cell(1, 3), QString("5"));
    QCOMPARE(grid.Cell(0, 4), QString("OUT"));

    grid.SetCell(0, 2, "X");  // a line without "=" keeps its whole text as the value
    grid.SetCell(1, 1, "9");
    QCOMPARE(grid.Strings(), QStringList({"ADMIN1=9", "X=noequals", "=5", "OUT="}));

    grid.Clear();
    QCOMPARE(grid.RowCount(), 2);
    grid.SetCell(1, 1, "77");  // writing the blank row creates its line
    QCOMPARE(grid.Strings(), QStringList({"=77"}));
    grid.AddLine("A=1");
    QCOMPARE(grid.RowCount(), 3);
    QCOMPARE(grid.Cell(0, 2), QString("A"));
  }

  void oneChangePerProgrammaticWrite() {
    TNameValueGrid grid("Name", "Phone");
    QSignalSpy spy(&grid, &TNameValueGrid::StringsChange);
    grid.SetStrings({"A=1", "B=2"});
    QCOMPARE(spy.count(), 1);
    grid.SetCell(0, 1, "A");  // same text: still a write
    QCOMPARE(spy.count(), 2);
    grid.AddLine("C=3");
    grid.Clear();
    QCOMPARE(spy.count(), 4);
    grid.SetRow(1);  // moving is not a change
    QCOMPARE(spy.count(), 4);
  }

  void currentRowSurvivesReplace() {
    TNameValueGrid grid("Name", "Phone");
    grid.SetStrings({"A=1", "B=2", "C=3"});
    grid.SetRow(3);
    QCOMPARE(grid.Row(), 3);
    grid.SetStrings({"C=3", "B=2", "A=1"});
    QCOMPARE(grid.Row(), 3);
    grid.SetStrings({"A=1"});
    QCOMPARE(grid.Row(), 1);
    grid.SetRow(99);
    QCOMPARE(grid.Row(), 1);
  }

  void eachKeystrokeIsAChange() {
    TNameValueGrid grid("Name", "Phone");
    grid.SetStrings({"AB=1"});
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.SetRow(1);
    QStringList seen;
    connect(&grid, &TNameValueGrid::StringsChange, &grid,
            [&] { seen << grid.Cell(0, grid.Row()); });
    QLineEdit* editor = openEditor(grid);
    QVERIFY(editor);
    QVERIFY(seen.isEmpty());  // opening the editor changes nothing
    editor->end(false);
    QTest::keyClicks(editor, "CD");
    QCOMPARE(seen, QStringList({"ABC", "ABCD"}));
    QCOMPARE(editor->cursorPosition(), 4);
    QTest::keyClick(editor, Qt::Key_Left);
    QTest::keyClicks(editor, "x");
    QCOMPARE(grid.Cell(0, 1), QString("ABCxD"));
    QCOMPARE(editor->cursorPosition(), 4);  // the caret stays where the user put it
    QCOMPARE(grid.viewport()->findChild<QLineEdit*>(), editor);

    // Leaving the cell commits nothing new.
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(seen.size(), 3);
  }

  void programWriteReachesOpenEditor() {
    // A handler that rewrites the cell while it is typed into (as the RTIME rule does) must not
    // be undone when the editor closes.
    TNameValueGrid grid("Name", "Phone");
    grid.SetStrings({"RTIME="});
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setCurrentIndex(grid.model()->index(0, 1));
    int changes = 0;
    connect(&grid, &TNameValueGrid::StringsChange, &grid, [&] {
      ++changes;
      if (grid.Cell(1, 1) == "5") grid.SetCell(1, 1, "05");
    });
    QLineEdit* editor = openEditor(grid);
    QVERIFY(editor);
    QTest::keyClicks(editor, "5");
    QCOMPARE(grid.Cell(1, 1), QString("05"));
    QCOMPARE(editor->text(), QString("05"));
    QCOMPARE(changes, 2);
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(grid.Strings(), QStringList({"RTIME=05"}));
    QCOMPARE(changes, 2);
  }

  void rowKeys() {
    TNameValueGrid grid("Name", "Phone");
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy spy(&grid, &TNameValueGrid::StringsChange);

    // Blank current row: neither Down nor Insert adds.
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Insert);
    QCOMPARE(grid.RowCount(), 2);
    QCOMPARE(spy.count(), 0);

    grid.SetStrings({"A=1", "B=2"});
    spy.clear();
    grid.SetRow(1);
    QTest::keyClick(&grid, Qt::Key_Down);  // not the last row: plain move
    QCOMPARE(grid.Row(), 2);
    QCOMPARE(spy.count(), 0);

    int rowAtChange = 0;
    connect(&grid, &TNameValueGrid::StringsChange, &grid, [&] { rowAtChange = grid.Row(); });
    QTest::keyClick(&grid, Qt::Key_Down);  // last row with a name: appends
    QCOMPARE(grid.Strings(), QStringList({"A=1", "B=2", "="}));
    QCOMPARE(grid.Row(), 3);
    QCOMPARE(rowAtChange, 3);  // the new row is current when the change is announced
    QCOMPARE(spy.count(), 1);
    QTest::keyClick(&grid, Qt::Key_Down);  // the new row's name is empty
    QCOMPARE(grid.LineCount(), 3);

    grid.SetRow(2);
    QTest::keyClick(&grid, Qt::Key_Insert);
    QCOMPARE(grid.Strings(), QStringList({"A=1", "=", "B=2", "="}));
    QCOMPARE(grid.Row(), 2);
    QCOMPARE(spy.count(), 2);
    QTest::keyClick(&grid, Qt::Key_Insert);  // blank row: no
    QCOMPARE(grid.LineCount(), 4);

    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(grid.Strings(), QStringList({"A=1", "B=2", "="}));
    QCOMPARE(grid.Row(), 2);
    QCOMPARE(spy.count(), 3);
    QTest::keyClick(&grid, Qt::Key_Delete);  // without Ctrl nothing
    QCOMPARE(grid.LineCount(), 3);
    grid.SetRow(3);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(grid.Row(), 2);  // the last row went: the row above becomes current
    grid.SetStrings({"A=1"});
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(grid.LineCount(), 0);
    QCOMPARE(grid.RowCount(), 2);
    spy.clear();
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);  // nothing left to delete
    QCOMPARE(spy.count(), 0);
  }

  void rowKeysWhileEditing() {
    TNameValueGrid grid("Name", "Phone");
    grid.SetStrings({"A=1"});
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QLineEdit* editor = openEditor(grid);
    QVERIFY(editor);
    editor->end(false);
    QTest::keyClicks(editor, "B");
    QTest::keyClick(editor, Qt::Key_Down);
    QCOMPARE(grid.Strings(), QStringList({"AB=1", "="}));  // typed text kept, row appended
    QCOMPARE(grid.Row(), 2);
  }

  void admisRecModeKeepsRows() {
    TNameValueGrid grid("Date", "Name");
    grid.SetRowEditing(false);
    grid.SetStrings({"A=1", "B=2"});
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.SetRow(2);
    QTest::keyClick(&grid, Qt::Key_Down);
    QTest::keyClick(&grid, Qt::Key_Insert);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(grid.Strings(), QStringList({"A=1", "B=2"}));
  }

  void background() {
    TNameValueGrid grid("Name", "Phone");
    grid.SetBackground(QColor(0xF0, 0xF0, 0xF0));
    QCOMPARE(grid.Background(), QColor(0xF0, 0xF0, 0xF0));
    QCOMPARE(grid.viewport()->palette().color(QPalette::Base), QColor(0xF0, 0xF0, 0xF0));
  }

  void largeAndLongContent() {
    TNameValueGrid grid("Name", "Phone");
    grid.show();
    QStringList lines;
    for (int i = 0; i < 20000; ++i) lines << QString("N%1=%2").arg(i).arg(i * 7);
    lines << QString(200000, QChar('9')) + "=" + QString(200000, QChar('1'));
    QElapsedTimer t;
    t.start();
    grid.SetStrings(lines);
    QCOMPARE(grid.Strings().size(), 20001);
    grid.SetRow(20001);
    QCOMPARE(grid.Cell(0, 20001).size(), 200000);
    grid.SetCell(1, 20001, "1");
    QCoreApplication::processEvents();
    QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
  }
};

QTEST_MAIN(TestNameValueGrid)
#include "test_namevaluegrid.moc"
