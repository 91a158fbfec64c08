#pragma once
// The Monitor memo as the monitor file (.mon) sees it: one line per line received.
#include <QString>
#include <QStringList>

class QPlainTextEdit;

// Appending to an empty plain text edit fills its first line instead of adding one, so a
// first empty line would vanish and an empty memo would look like one holding a single empty
// line. Received lines therefore go in through here, which also marks the memo as holding lines.
void AppendMonitorLine(QPlainTextEdit* memo, const QString& line);
// The memo's lines: none until a line has been received.
QStringList MonitorLines(const QPlainTextEdit* memo);
