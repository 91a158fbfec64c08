// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QApplication>

class Dialogs;

// The captions of the standard buttons of Qt's boxes and dialogs.
struct StandardButtonTexts {
  QString ok, cancel, yes, no;
};

// Qt's own texts (the file dialogs, the buttons of message boxes, the edits' context menus) in
// a language ("cs"; empty: the system's), from Qt's catalogs (English needs none), and the
// standard buttons as the settings file names them: not every catalog has them all. Replaces
// what an earlier call put in place.
void UseQtTranslations(const QString& language, const StandardButtonTexts& buttons);

// The application object. Handlers report their own errors (TForm1::guarded); this is the
// backstop so that no exception ever crosses Qt's event loop.
class ZulApplication : public QApplication {
 public:
  ZulApplication(int& argc, char** argv);
  void SetDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  Dialogs* dialogs_ = nullptr;
};
