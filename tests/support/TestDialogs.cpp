#include "support/TestDialogs.h"

namespace {
const QString Caption = QStringLiteral("ZUL Set");
}

void TestDialogs::show(Kind kind, const QString& caption, const QString& text) {
  const Shown s{kind, caption, text};
  shown << s;
  if (whileOpen) whileOpen(s);
}

void TestDialogs::message(const QString& text) {
  messages << text;
  show(Kind::Message, Caption, text);
}

bool TestDialogs::question(const QString& caption, const QString& text) {
  questions << qMakePair(caption, text);
  show(Kind::Question, caption, text);
  return answers.isEmpty() ? false : answers.takeFirst();
}

void TestDialogs::error(const QString& text) {
  errors << text;
  show(Kind::Error, Caption, text);
}

QString TestDialogs::openFile(const QString& filter) {
  openFilters << filter;
  show(Kind::OpenFile, QString(), filter);
  return openNames.isEmpty() ? QString() : openNames.takeFirst();
}

QString TestDialogs::saveFile(const QString& filter) {
  saveFilters << filter;
  show(Kind::SaveFile, QString(), filter);
  return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
}

int TestDialogs::choosePort() {
  ++portChoices;
  show(Kind::ChoosePort, QStringLiteral("Select Port"), QString());
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
}
