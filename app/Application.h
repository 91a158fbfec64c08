// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QApplication>

class Dialogs;

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
