#pragma once
// The real dialogs: Qt message boxes, file dialogs and the port choice dialog.
#include <QPointer>
#include <QString>

#include "platform/Dialogs.h"

class QWidget;
class SerialDeviceFactory;

class QtDialogs : public Dialogs {
 public:
  // factory and programDir serve the port choice dialog's probe and its device names.
  QtDialogs(SerialDeviceFactory* factory, const QString& programDir);

  // The window the messages, errors and file dialogs belong to (none until the main window
  // exists); the port choice dialog and the question belong to no window.
  void setParentWidget(QWidget* parent);

  void message(const QString& text) override;
  bool question(const QString& caption, const QString& text) override;
  void error(const QString& text) override;
  QString openFile(const QString& filter) override;
  QString saveFile(const QString& filter) override;
  int choosePort() override;

 private:
  SerialDeviceFactory* factory;
  QString programDir;
  QPointer<QWidget> parent;
  QString lastOpened;
  QString lastSaved;
};
