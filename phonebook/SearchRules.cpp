// SPDX-License-Identifier: GPL-3.0-or-later
#include "phonebook/SearchRules.h"

#include <algorithm>
#include <vector>

QString UpperCaseAtoZ(const QString& text) {
  QString result = text;
  for (QChar& c : result)
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - ('a' - 'A'));
  return result;
}

QStringView LineName(const QString& line) {
  const qsizetype eq = line.indexOf(QLatin1Char('='));
  return eq < 0 ? QStringView() : QStringView(line).left(eq);
}

QStringView LineValue(const QString& line) {
  const qsizetype eq = line.indexOf(QLatin1Char('='));
  return eq < 0 ? QStringView(line) : QStringView(line).mid(eq + 1);
}

bool NameLess(QStringView a, QStringView b) {
  // UTF-16 code units equal the character codes of the Latin-1 text the grid holds.
  return a.compare(b, Qt::CaseSensitive) < 0;
}

QStringList StableSortByName(const QStringList& lines) {
  std::vector<std::pair<QStringView, qsizetype>> keys;
  keys.reserve(size_t(lines.size()));
  for (qsizetype i = 0; i < lines.size(); ++i) keys.emplace_back(LineName(lines[i]), i);
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& x, const auto& y) { return NameLess(x.first, y.first); });
  QStringList sorted;
  sorted.reserve(lines.size());
  for (const auto& key : keys) sorted.append(lines[key.second]);
  return sorted;
}
