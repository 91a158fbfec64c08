// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PluralForms.h"

namespace {

enum class Rule { OneOther, CzechSlovak, Polish };

Rule ruleOf(const QString& language) {
  // "pl_PL.UTF-8", "cs-CZ": the language is what comes before the territory.
  QString code = language.toLower();
  for (const QChar cut : {u'_', u'-', u'.', u'@'}) code = code.section(cut, 0, 0);
  if (code == QLatin1String("cs") || code == QLatin1String("sk")) return Rule::CzechSlovak;
  if (code == QLatin1String("pl")) return Rule::Polish;
  return Rule::OneOther;
}

// The group that begins at text[open] == '{': the index of its '}', or -1 when the braces
// there hold no '|' and are plain text.
qsizetype groupEnd(const QString& text, qsizetype open) {
  const qsizetype close = text.indexOf(QLatin1Char('}'), open + 1);
  if (close < 0) return -1;
  const qsizetype bar = text.indexOf(QLatin1Char('|'), open + 1);
  const qsizetype inner = text.indexOf(QLatin1Char('{'), open + 1);
  if (bar < 0 || bar > close || (inner >= 0 && inner < close)) return -1;
  return close;
}

}  // namespace

int PluralFormCount(const QString& language) { return ruleOf(language) == Rule::OneOther ? 2 : 3; }

int PluralForm(const QString& language, qint64 count) {
  const qint64 n = count < 0 ? -count : count;
  switch (ruleOf(language)) {
    case Rule::OneOther:
      break;
    case Rule::CzechSlovak:
      return n == 1 ? 0 : n >= 2 && n <= 4 ? 1 : 2;
    case Rule::Polish: {
      const qint64 last = n % 10, lastTwo = n % 100;
      if (n == 1) return 0;
      return last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? 1 : 2;
    }
  }
  return n == 1 ? 0 : 1;
}

QString WithPluralForms(const QString& text, qint64 count, const QString& language) {
  const int form = PluralForm(language, count);
  QString out;
  qsizetype from = 0;
  for (qsizetype open = text.indexOf(QLatin1Char('{')); open >= 0;
       open = text.indexOf(QLatin1Char('{'), open + 1)) {
    const qsizetype close = groupEnd(text, open);
    if (close < 0) continue;
    const QStringList forms = text.mid(open + 1, close - open - 1).split(QLatin1Char('|'));
    out += text.mid(from, open - from) + forms.value(form, forms.last());
    from = close + 1;
    open = close;
  }
  return out + text.mid(from);
}

QList<int> PluralGroups(const QString& text) {
  QList<int> groups;
  for (qsizetype open = text.indexOf(QLatin1Char('{')); open >= 0;
       open = text.indexOf(QLatin1Char('{'), open + 1)) {
    const qsizetype close = groupEnd(text, open);
    if (close < 0) continue;
    groups << int(text.mid(open + 1, close - open - 1).count(QLatin1Char('|'))) + 1;
    open = close;
  }
  return groups;
}
