// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include "link/PortChoiceForm.h"
#include "link/PortNames.h"

namespace {
const QString AppTitle = QStringLiteral("ZUL Set");

// The extension of a filter such as "Spreadsheet (*.csv)": "csv".
QString filterSuffix(const QString& filter) {
  const qsizetype star = filter.indexOf(QLatin1String("*."));
  if (star < 0) return QString();
  const qsizetype end = filter.indexOf(QRegularExpression(QStringLiteral("[ ;)]")), star);
  return filter.mid(star + 2, end < 0 ? -1 : end - star - 2);
}

// Not native: the open dialog must accept a name that does not exist yet. Of several filters
// the one of the last name's extension comes first; a name saved without an extension takes
// the chosen filter's, which is what decides the file's format.
QString runFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& filter,
                      QString& last) {
  QFileDialog dialog(parent, QString(), QString(), filter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  const QString lastSuffix = QFileInfo(last).suffix();
  for (const QString& f : dialog.nameFilters())
    if (!lastSuffix.isEmpty() && filterSuffix(f).compare(lastSuffix, Qt::CaseInsensitive) == 0)
      dialog.selectNameFilter(f);
  if (!last.isEmpty()) dialog.selectFile(last);
  if (mode == QFileDialog::AcceptSave) {
    dialog.setDefaultSuffix(filterSuffix(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& f) { dialog.setDefaultSuffix(filterSuffix(f)); });
  }
  if (dialog.exec() != QDialog::Accepted) return QString();
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return QString();
  last = files.first();
  return last;
}
}  // namespace

QtDialogs::QtDialogs(SerialDeviceFactory* factory, const QStringList& portPlaces)
    : factory(factory), portPlaces(portPlaces) {}

void QtDialogs::setParentWidget(QWidget* widget) { parent = widget; }

void QtDialogs::message(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, AppTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

// The link's own questions belong to no window and come up in the middle of the screen: the
// main window may be minimised or not shown yet.
bool QtDialogs::question(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Yes | QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtDialogs::error(const QString& text, int tag) {
  QMessageBox box(QMessageBox::Critical, AppTitle, text, QMessageBox::Ok, parent);
  if (tag != 0) tagged.append({tag, &box});
  box.exec();
  tagged.removeIf([&box](const auto& t) { return t.second == &box || !t.second; });
}

void QtDialogs::dismiss(int tag) {
  for (const auto& t : tagged)
    if (t.first == tag && t.second) t.second->done(QMessageBox::Ok);
}

int QtDialogs::choose(const QString& text, const QStringList& answers) {
  QMessageBox box(QMessageBox::Warning, AppTitle, text, QMessageBox::NoButton, parent);
  QList<QAbstractButton*> buttons;
  // The last answer is the way back; those between the first and it give something up.
  for (int i = 0; i < answers.size(); ++i) {
    const QMessageBox::ButtonRole role = i == answers.size() - 1 ? QMessageBox::RejectRole
                                         : i == 0                ? QMessageBox::AcceptRole
                                                                 : QMessageBox::DestructiveRole;
    buttons << box.addButton(answers[i], role);
  }
  if (buttons.isEmpty()) return -1;
  // Enter, like Escape, keeps things as they are.
  box.setDefaultButton(qobject_cast<QPushButton*>(buttons.last()));
  box.setEscapeButton(buttons.last());
  box.exec();
  const int taken = int(buttons.indexOf(box.clickedButton()));
  return taken >= 0 ? taken : int(buttons.size()) - 1;
}

QString QtDialogs::openFile(const QString& filter) {
  return runFileDialog(parent, QFileDialog::AcceptOpen, filter, lastOpened);
}

QString QtDialogs::saveFile(const QString& filter) {
  return runFileDialog(parent, QFileDialog::AcceptSave, filter, lastSaved);
}

int QtDialogs::choosePort(const PortChoiceTexts& texts) {
  const QStringList places = portPlaces;
  const auto deviceName = [places](int n) { return PortDeviceName(n, places); };
  const QList<int> ports = ProbePorts(*factory, deviceName);
  TPortChoiceForm form(ports, deviceName, texts, nullptr, LikelyPort(ports, deviceName));
  return form.Choose();
}
