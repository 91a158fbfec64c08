// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QApplication>
#include <QList>
#include <QString>

class Dialogs;

// One of Qt's own texts: its context and English source, as Qt asks for it, and ours.
struct QtText {
  const char* context;
  const char* source;
  QString text;
};

// Qt's own texts (the file dialogs, the buttons of message boxes, the edits' context menus) in
// a language ("cs"; empty: the system's), from Qt's catalogs (English needs none), with
// `ours` ahead of them: the settings file's texts for what the catalogs lack (the Slovak one
// has no Yes or No, few have Qt 6's "Folder"). Replaces what an earlier call put in place.
void UseQtTranslations(const QString& language, const QList<QtText>& ours);

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
