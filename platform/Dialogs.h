// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything that waits for a person. Real: Qt dialogs (QtDialogs). Tests: a script.
#include <QString>
#include <QStringList>

// The texts of "Select Port": the window's, from the settings file; these where there is none.
struct PortChoiceTexts {
  QString title = QStringLiteral("Select Port");
  QString notValid = QStringLiteral("The configured serial port is not valid.");
  QString chooseAnother = QStringLiteral("Please choose another port.");
  QString ok = QStringLiteral("OK");
  QString cancel = QStringLiteral("Cancel");
};

// A file dialog's filter from a text of the settings file ("Soubory (*.phb)") and the pattern
// it is for ("*.phb"): a text that lost the pattern gets it back, since the pattern decides
// what the dialog lists and the extension a saved name takes.
inline QString FileFilter(const QString& text, const QString& pattern) {
  const QString bracketed = QLatin1Char('(') + pattern + QLatin1Char(')');
  return text.contains(bracketed) ? text : text + QLatin1Char(' ') + bracketed;
}

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Plain message, one OK button, caption "ZUL Set".
  virtual void message(const QString& text) = 0;
  // Yes/No question with the caller's caption; true for Yes.
  virtual bool question(const QString& caption, const QString& text) = 0;
  // The standard error report's box: error icon, OK, caption "ZUL Set". A tag other than 0
  // lets the program close the box itself (dismiss) when what it tells no longer holds.
  virtual void error(const QString& text, int tag = 0) = 0;
  // Closes every box shown with this tag that is still up, as its OK would.
  virtual void dismiss(int tag) = 0;
  // A question with answers of the caller's (caption "ZUL Set"); the index of the one taken.
  // Enter, Escape and the close box take the last one: the way back.
  virtual int choose(const QString& text, const QStringList& answers) = 0;
  // File dialogs: filter such as "PhoneBook files (*.phb)", several joined by ";;"; empty
  // result = cancelled.
  // Each remembers the last name chosen and offers it again.
  virtual QString openFile(const QString& filter) = 0;
  virtual QString saveFile(const QString& filter) = 0;
  // The port choice dialog ("Select Port"); 0 = not closed with OK.
  virtual int choosePort(const PortChoiceTexts& texts) = 0;
};
