#include "files/MonitorFile.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
const char* const HoldsLines = "HoldsLines";
}

void AppendMonitorLine(QPlainTextEdit* memo, const QString& line) {
  const bool holdsLines = memo->property(HoldsLines).toBool();
  if (holdsLines && memo->document()->isEmpty()) {
    // Only one empty line so far: add the second one ourselves.
    QTextCursor cursor(memo->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    cursor.insertText(line);
  } else {
    memo->appendPlainText(line);
  }
  if (!holdsLines) memo->setProperty(HoldsLines, true);
}

QStringList MonitorLines(const QPlainTextEdit* memo) {
  QStringList lines;
  if (!memo->property(HoldsLines).toBool()) return lines;
  // The blocks, not toPlainText(), which turns no-break spaces into blanks.
  for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next()) lines << b.text();
  return lines;
}
