#pragma once
// Dialogs answered from a script; everything shown is recorded for the test to check.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/Dialogs.h"

class TestDialogs : public Dialogs {
 public:
  enum class Kind { Message, Question, Error, OpenFile, SaveFile, ChoosePort };
  struct Shown {
    Kind kind;
    QString caption;  // "ZUL Set" for messages and errors, the caller's for questions
    QString text;     // the text shown, or the file filter
  };

  void message(const QString& text) override;
  bool question(const QString& caption, const QString& text) override;
  void error(const QString& text) override;
  QString openFile(const QString& filter) override;
  QString saveFile(const QString& filter) override;
  int choosePort() override;

  // ---- script ----
  int port = 9;           // choosePort(): the number chosen, 0 = cancelled
  QList<bool> answers;    // question(): taken first to last; No when empty
  QStringList openNames;  // openFile(): taken first to last; cancelled when empty
  QStringList saveNames;  // saveFile(): likewise
  // Runs while a box is up, as the box's own event loop would run the program behind it
  // (e.g. [&](auto&) { harness.run(2000); }).
  std::function<void(const Shown&)> whileOpen;

  // ---- record ----
  QList<Shown> shown;                        // everything, in order
  QStringList messages;                      // plain messages
  QStringList errors;                        // error boxes
  QList<QPair<QString, QString>> questions;  // caption, text
  QStringList openFilters, saveFilters;
  int portChoices = 0;  // times the port choice dialog came up

  void clear();

 private:
  void show(Kind kind, const QString& caption, const QString& text);
};
