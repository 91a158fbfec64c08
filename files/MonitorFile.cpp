// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/MonitorFile.h"

#include <algorithm>

QByteArray MonitorLines::FileBytes() const {
  QByteArray out;
  out.reserve(bytes_.size() + 2 * ends_.size());
  qsizetype begin = 0;
  for (const qint64 end : ends_) {
    out.append(bytes_.constData() + begin, end - begin);
    out.append("\r\n", 2);
    begin = end;
  }
  return out;
}

qsizetype MonitorLines::LineAt(qsizetype offset) const {
  if (ends_.isEmpty()) return 0;
  // The first line whose "\n" (at its end offset) is at or after the offset.
  qsizetype lo = 0;
  qsizetype hi = ends_.size() - 1;
  while (lo < hi) {
    const qsizetype mid = lo + (hi - lo) / 2;
    if (ends_[mid] + mid >= offset)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

QByteArray MonitorLines::Text(qsizetype from, qsizetype to) const {
  from = std::clamp<qsizetype>(from, 0, TextSize());
  to = std::clamp<qsizetype>(to, from, TextSize());
  QByteArray out;
  out.reserve(to - from);
  for (qsizetype i = LineAt(from); out.size() < to - from; ++i) {
    const qsizetype start = LineStart(i);
    const qsizetype b = std::max(from, start) - start;
    const qsizetype e = std::min(to, start + Length(i)) - start;
    if (e > b) out.append(Line(i).data() + b, e - b);
    if (start + Length(i) < to) out.append('\n');
  }
  return out;
}
