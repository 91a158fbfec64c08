#include "platform/QtDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
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

void QtDialogs::error(const QString& text) {
  QMessageBox box(QMessageBox::Critical, AppTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

QString QtDialogs::openFile(const QString& filter) {
  return runFileDialog(parent, QFileDialog::AcceptOpen, filter, lastOpened);
}

QString QtDialogs::saveFile(const QString& filter) {
  return runFileDialog(parent, QFileDialog::AcceptSave, filter, lastSaved);
}

int QtDialogs::choosePort() {
  const QStringList places = portPlaces;
  const auto deviceName = [places](int n) { return PortDeviceName(n, places); };
  TPortChoiceForm form(ProbePorts(*factory, deviceName), deviceName);
  return form.Choose();
}
