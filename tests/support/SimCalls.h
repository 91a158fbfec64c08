// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// zulsim's console lines for the calls first to first + count - 1 of a numbered run: call n
// comes from +4206nnnnnnnn, named Cnnnn; every seventh is announced for relay B ("+CSSU").
#include <QByteArray>
#include <QString>

inline QByteArray SimCallLines(int first, int count) {
  QByteArray lines;
  for (int n = first; n < first + count; ++n) {
    if (n % 7 == 0) lines += "send +CSSU: 0\n";
    lines += QStringLiteral("send +CLCC: 1,1,4,0,0,\"+4206%1\",145,\"C%2\"\n")
                 .arg(n, 8, 10, QChar('0'))
                 .arg(n, 4, 10, QChar('0'))
                 .toLatin1();
  }
  return lines;
}
