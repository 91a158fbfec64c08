// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestDialogs.h"

#include <algorithm>

namespace {
const QString Caption = QStringLiteral("ZUL Set");

TestDialogs::Shown box(TestDialogs::Kind kind, const QString& caption, const QString& text,
                       int tag = 0, const QStringList& answers = {}) {
  return {kind, caption, text, tag, answers};
}
}  // namespace

void TestDialogs::show(const Shown& s) {
  shown << s;
  const auto closed = std::make_shared<bool>(false);
  open.append({s, closed});
  mostUp = std::max(mostUp, up());
  if (whileOpen) whileOpen(s);
  if (keepOpen && runFor && !*closed) {
    const qint64 ms = keepOpen(s);
    if (ms > 0) runFor(ms, [closed] { return *closed; });
  }
  for (qsizetype i = open.size() - 1; i >= 0; --i)
    if (open[i].closed == closed) open.removeAt(i);
}

void TestDialogs::message(const QString& text) {
  messages << text;
  show(box(Kind::Message, Caption, text));
}

bool TestDialogs::question(const QString& caption, const QString& text) {
  questions << qMakePair(caption, text);
  show(box(Kind::Question, caption, text));
  return answers.isEmpty() ? false : answers.takeFirst();
}

void TestDialogs::error(const QString& text, int tag) {
  errors << text;
  show(box(Kind::Error, Caption, text, tag));
}

void TestDialogs::dismiss(int tag) {
  for (const Open& o : open) {
    if (o.shown.tag != tag || *o.closed) continue;
    *o.closed = true;
    dismissed << o.shown;
  }
}

int TestDialogs::choose(const QString& text, const QStringList& offered) {
  show(box(Kind::Choice, Caption, text, 0, offered));
  const int last = int(offered.size()) - 1;
  const int c = choices.isEmpty() ? last : choices.takeFirst();
  return c >= 0 && c <= last ? c : last;
}

QString TestDialogs::openFile(const QString& filter) {
  openFilters << filter;
  show(box(Kind::OpenFile, QString(), filter));
  return openNames.isEmpty() ? QString() : openNames.takeFirst();
}

QString TestDialogs::saveFile(const QString& filter) {
  saveFilters << filter;
  show(box(Kind::SaveFile, QString(), filter));
  return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
}

int TestDialogs::choosePort(const PortChoiceTexts& texts) {
  ++portChoices;
  show(box(Kind::ChoosePort, texts.title, texts.notValid));
  return port;
}

void TestDialogs::clear() {
  shown.clear();
  messages.clear();
  errors.clear();
  questions.clear();
  openFilters.clear();
  saveFilters.clear();
  portChoices = 0;
  dismissed.clear();
  mostUp = up();
}
