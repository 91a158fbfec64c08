// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Select Port": asks for a COM port when none is set or the set one failed.
#include <QDialog>
#include <QList>
#include <functional>

#include "platform/Dialogs.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

class TPortChoiceForm : public QDialog {
  Q_OBJECT

 public:
  // ports: the probed port numbers; deviceName tells the device behind each for its tooltip;
  // preselected: the entry selected first (not listed: the first entry).
  TPortChoiceForm(const QList<int>& ports, const std::function<QString(int)>& deviceName,
                  const PortChoiceTexts& texts = PortChoiceTexts(), QWidget* parent = nullptr,
                  int preselected = 0);

  // The number of the selected entry, 0 when no entry is selected.
  int ChosenPort() const;
  // Shows the dialog modally; the chosen port, or 0 unless closed with OK on an entry.
  int Choose();

  QFrame* Frame;
  QLabel* Label1;
  QLabel* Label2;
  QComboBox* PortsComboBox;
  QPushButton* OkBtn;
  QPushButton* AbortBtn;
};
