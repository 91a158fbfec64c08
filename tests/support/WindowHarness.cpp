// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/WindowHarness.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "phonebook/NameValueGrid.h"

namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
    qFatal("harness: cannot write %s", qPrintable(name));
}

}  // namespace

WindowHarness::WindowHarness() : WindowHarness(Setup()) {}

WindowHarness::WindowHarness(const Setup& setup)
    : Rig(setup.unit, setup.start, setup.demo, setup.port), programName(setup.programName) {
  if (setup.settings) {
    const int dot = programName.lastIndexOf(QLatin1Char('.'));
    writeFile(path((dot > 0 ? programName.left(dot) : programName) + QStringLiteral(".ini")),
              *setup.settings);
  }
  if (setup.blankPhb) writeFile(path(QStringLiteral("blank.phb")), *setup.blankPhb);
  if (setup.beforeStart) setup.beforeStart(*this);

  FormEnvironment env;
  env.dialogs = &dialogs();
  env.clock = &clock();
  env.serial = &serial();
  env.programFile = programFile();
  env.configDir = setup.configDir;
  env.language = setup.language;
  win = std::make_unique<TForm1>(env);
  QObject::connect(win->AdmisRec, &TNameValueGrid::StringsChange, win.get(), [this] {
    if (onAdmissions) onAdmissions(win->AdmisRec->Strings());
  });
  if (setup.afterCreate) setup.afterCreate(*this);
  started();
  win->show();
  settle();
}

WindowHarness::~WindowHarness() { win.reset(); }

LinkCore& WindowHarness::core() { return *win->Core; }

void WindowHarness::click(QAbstractButton* button) {
  for (QWidget* w = button; w; w = w->parentWidget()) {
    const int page = win->PageControl1->indexOf(w);
    if (page >= 0) {
      win->PageControl1->setCurrentIndex(page);
      break;
    }
  }
  settle();
  if (button->isEnabled() && button->isVisible()) QTest::mouseClick(button, Qt::LeftButton);
  settle();
}

void WindowHarness::press(Chain chain) { click(win->SimButtons[int(chain) - 1]); }

bool WindowHarness::simButtonsUsable() {
  for (QPushButton* b : win->SimButtons)
    if (!b->isEnabled()) return false;
  return true;
}

QStringList WindowHarness::grid() { return win->PhoneBook1->Strings(); }
bool WindowHarness::gridEditable() { return win->PhoneBook1->isEnabled(); }
void WindowHarness::setGrid(const QStringList& lines) { win->PhoneBook1->SetStrings(lines); }

SmsPair WindowHarness::pair(int k) { return {win->SmsPhones[k]->text(), win->SmsTexts[k]->text()}; }

void WindowHarness::setPair(int k, const QString& phone, const QString& text) {
  win->SmsPhones[k]->setText(phone);
  win->SmsTexts[k]->setText(text);
}

QStringList WindowHarness::admissions() { return win->AdmisRec->Strings(); }

QList<QByteArray> WindowHarness::monitor() {
  QList<QByteArray> lines;
  for (qsizetype i = 0; i < win->Monitor->LineCount(); ++i) lines << win->Monitor->Line(i);
  return lines;
}
