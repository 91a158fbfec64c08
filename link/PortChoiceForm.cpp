// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PortChoiceForm.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/Widgets.h"

TPortChoiceForm::TPortChoiceForm(const QList<int>& ports,
                                 const std::function<QString(int)>& deviceName,
                                 const PortChoiceTexts& texts, QWidget* parent, int preselected)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("PortChoiceForm"));
  setWindowTitle(texts.title);
  setFixedSize(220, 131);
  setFont(ClassicFont());
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);

  Frame = new QFrame(this);
  Frame->setObjectName(QStringLiteral("Frame"));
  Frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Frame->setGeometry(8, 8, 201, 42);
  Label1 = new QLabel(texts.notValid, this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(18, 14, 189, 15);
  Label2 = new QLabel(texts.chooseAnother, this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(18, 30, 189, 15);

  PortsComboBox = new QComboBox(this);
  PortsComboBox->setObjectName(QStringLiteral("PortsComboBox"));
  PortsComboBox->setEditable(false);
  PortsComboBox->setGeometry(8, 64, 201, PortsComboBox->sizeHint().height());
  for (int n : ports) {
    PortsComboBox->addItem(QStringLiteral("COM%1").arg(n));
    if (deviceName)
      PortsComboBox->setItemData(PortsComboBox->count() - 1, deviceName(n), Qt::ToolTipRole);
  }
  if (PortsComboBox->count() > 0)
    PortsComboBox->setCurrentIndex(std::max(0, int(ports.indexOf(preselected))));

  OkBtn = new QPushButton(texts.ok, this);
  OkBtn->setObjectName(QStringLiteral("OkBtn"));
  OkBtn->setGeometry(8, 95, 85, 27);
  OkBtn->setDefault(true);
  AbortBtn = new QPushButton(texts.cancel, this);
  AbortBtn->setObjectName(QStringLiteral("AbortBtn"));
  AbortBtn->setGeometry(124, 95, 85, 27);
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(AbortBtn, &QPushButton::clicked, this, &QDialog::reject);
}

int TPortChoiceForm::ChosenPort() const {
  // "COMn": the number starts at the fourth character.
  bool ok = false;
  const int n = PortsComboBox->currentText().mid(3).toInt(&ok, 10);
  return ok ? n : 0;
}

int TPortChoiceForm::Choose() { return exec() == QDialog::Accepted ? ChosenPort() : 0; }
