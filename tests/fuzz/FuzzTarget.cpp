// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/FuzzTarget.h"

#include <QStringList>
#include <cstdio>
#include <cstdlib>

QList<FuzzTargetInfo>& FuzzTargets() {
  static QList<FuzzTargetInfo> targets;
  return targets;
}

void FuzzFailure(const char* file, int line, const char* condition, const QString& detail) {
  std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n  %s\n", file, line, condition,
               qPrintable(detail));
  std::fflush(stderr);
  std::abort();
}

namespace {
// Enough to tell a finding by; the input itself is kept in full.
constexpr qsizetype ShownLength = 200;
}  // namespace

QString Shown(const QString& text) {
  QString out;
  for (const QChar c : text.left(ShownLength)) {
    if (c.unicode() >= 32 && c.unicode() < 127 && c != u'\\')
      out += c;
    else
      out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
  }
  if (text.size() > ShownLength) out += QStringLiteral("... (%1 in all)").arg(text.size());
  return QLatin1Char('"') + out + QLatin1Char('"');
}

QString Shown(const QByteArray& bytes) {
  QString out;
  for (const char ch : bytes.left(ShownLength)) {
    const auto c = uchar(ch);
    if (c >= 32 && c < 127 && c != '\\')
      out += QLatin1Char(ch);
    else
      out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
  }
  if (bytes.size() > ShownLength) out += QStringLiteral("... (%1 in all)").arg(bytes.size());
  return QLatin1Char('"') + out + QLatin1Char('"');
}

QString Shown(const QStringList& lines) {
  QStringList shown;
  for (const QString& line : lines.mid(0, 20)) shown << Shown(line);
  if (lines.size() > 20) shown << QStringLiteral("... (%1 in all)").arg(lines.size());
  return QLatin1Char('[') + shown.join(QStringLiteral(", ")) + QLatin1Char(']');
}
