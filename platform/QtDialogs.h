// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real dialogs: Qt message boxes, file dialogs and the port choice dialog.
#include <QList>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "platform/Dialogs.h"

class QMessageBox;
class QWidget;
class SerialDeviceFactory;

class QtDialogs : public Dialogs {
 public:
  // factory and portPlaces (the folders whose ports/ entries name ports, in search order) serve
  // the port choice dialog's probe and its device names.
  QtDialogs(SerialDeviceFactory* factory, const QStringList& portPlaces);

  // The window the messages, errors and file dialogs belong to (none until the main window
  // exists); the port choice dialog and the question belong to no window.
  void setParentWidget(QWidget* parent);

  void message(const QString& text) override;
  bool question(const QString& caption, const QString& text) override;
  void error(const QString& text, int tag = 0) override;
  void dismiss(int tag) override;
  int choose(const QString& text, const QStringList& answers) override;
  QString openFile(const QString& filter) override;
  QString saveFile(const QString& filter) override;
  int choosePort(const PortChoiceTexts& texts) override;

 private:
  SerialDeviceFactory* factory;
  QStringList portPlaces;
  QPointer<QWidget> parent;
  QString lastOpened;
  QString lastSaved;
  // The tagged boxes that are up, innermost last.
  QList<QPair<int, QPointer<QMessageBox>>> tagged;
};
