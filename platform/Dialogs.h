#pragma once
// Everything that waits for a person. Real: Qt dialogs (QtDialogs). Tests: a script.
#include <QString>

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Plain message, one OK button, caption "ZUL Set".
  virtual void message(const QString& text) = 0;
  // Yes/No question with the caller's caption; true for Yes.
  virtual bool question(const QString& caption, const QString& text) = 0;
  // The standard error report's box: error icon, OK, caption "ZUL Set".
  virtual void error(const QString& text) = 0;
  // File dialogs: filter such as "PhoneBook files (*.phb)", several joined by ";;"; empty
  // result = cancelled.
  // Each remembers the last name chosen and offers it again.
  virtual QString openFile(const QString& filter) = 0;
  virtual QString saveFile(const QString& filter) = 0;
  // The port choice dialog ("Select Port"); 0 = not closed with OK.
  virtual int choosePort() = 0;
};
