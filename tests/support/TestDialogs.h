// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dialogs answered from a script; everything shown is recorded for the test to check.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/Dialogs.h"

class TestDialogs : public Dialogs {
 public:
  enum class Kind { Message, Question, Error, OpenFile, SaveFile, ChoosePort, Choice };
  struct Shown {
    Kind kind;
    QString caption;      // "ZUL Set" for messages and errors, the caller's for questions, the
                          // title of "Select Port"
    QString text;         // the text shown, or the file filter
    int tag = 0;          // error(): the tag it was shown with
    QStringList answers;  // choose(): the answers offered
  };

  void message(const QString& text) override;
  bool question(const QString& caption, const QString& text) override;
  void error(const QString& text, int tag = 0) override;
  void dismiss(int tag) override;
  int choose(const QString& text, const QStringList& answers) override;
  QString openFile(const QString& filter) override;
  QString saveFile(const QString& filter) override;
  int choosePort(const PortChoiceTexts& texts) override;

  // ---- script ----
  int port = 9;           // choosePort(): the number chosen, 0 = cancelled
  QList<bool> answers;    // question(): taken first to last; No when empty
  QStringList openNames;  // openFile(): taken first to last; cancelled when empty
  QStringList saveNames;  // saveFile(): likewise
  QList<int> choices;     // choose(): taken first to last; the last answer when empty
  // Runs while a box is up, as the box's own event loop would run the program behind it
  // (e.g. [&](auto&) { harness.run(2000); }).
  std::function<void(const Shown&)> whileOpen;
  // Keeps each box up for the virtual ms it returns (0: answered at once) while time, the line
  // and Timer1 run behind it, as behind a real box; one the program closes itself goes sooner.
  // The window harness serves it (runFor).
  std::function<qint64(const Shown&)> keepOpen;
  std::function<void(qint64 ms, const std::function<bool()>& closed)> runFor;
  // Whether the innermost box still up has been closed by the program (for whileOpen loops).
  bool closedByProgram() const { return !open.isEmpty() && *open.last().closed; }

  // ---- record ----
  QList<Shown> shown;                        // everything, in order
  QStringList messages;                      // plain messages
  QStringList errors;                        // error boxes
  QList<QPair<QString, QString>> questions;  // caption, text
  QStringList openFilters, saveFilters;
  int portChoices = 0;     // times the port choice dialog came up
  QList<Shown> dismissed;  // boxes the program closed itself
  int mostUp = 0;          // the most boxes up at one time

  int up() const { return int(open.size()); }
  void clear();

 private:
  struct Open {
    Shown shown;
    std::shared_ptr<bool> closed;
  };
  void show(const Shown& s);
  QList<Open> open;
};
