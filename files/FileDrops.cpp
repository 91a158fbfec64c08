// SPDX-License-Identifier: GPL-3.0-or-later
// Files dropped on the window load as their Load buttons would.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>

#include "app/Form1.h"
#include "phonebook/NameValueGrid.h"

namespace {

QStringList localFiles(const QMimeData* data) {
  QStringList names;
  if (data == nullptr || !data->hasUrls()) return names;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) names << url.toLocalFile();
  return names;
}

// On the window and on every control that takes drops of its own (the edits would take a
// file's name as text): files are the window's.
class FileDropFilter : public QObject {
 public:
  explicit FileDropFilter(TForm1* form) : QObject(form), form_(form) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (localFiles(drag->mimeData()).isEmpty()) return false;
        drag->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList names = localFiles(drop->mimeData());
        if (names.isEmpty()) return false;
        drop->acceptProposedAction();
        // Boxes wait until the drop has ended: the program the files came from waits for it.
        QTimer::singleShot(0, form_, [form = form_, names] { form->FormDropFiles(names); });
        return true;
      }
      default:
        return false;
    }
  }

 private:
  TForm1* form_;
};

}  // namespace

void TForm1::AcceptFileDrops() {
  setAcceptDrops(true);
  auto* filter = new FileDropFilter(this);
  installEventFilter(filter);
  for (QWidget* w : findChildren<QWidget*>())
    if (w->acceptDrops()) w->installEventFilter(filter);
}

void TForm1::FormDropFiles(const QStringList& fileNames) {
  for (const QString& name : fileNames) {
    guarded([&] {
      const QString kind = QFileInfo(name).suffix().toLower();
      // A Load button that may not act now (a transfer runs) takes no drop either.
      if (kind == QLatin1String("phb") || kind == QLatin1String("csv") ||
          kind == QLatin1String("vcf")) {
        if (!LoadSIMPC->isEnabled()) return;
        PageControl1->setCurrentWidget(PHONE);
        LoadPhoneBook(name);
      } else if (kind == QLatin1String("sms")) {
        if (!LoadSMSPC->isEnabled()) return;
        PageControl1->setCurrentWidget(SMS);
        LoadSmsFile(name);
      } else {
        ReportError(Messages.NotAFileToLoad.arg(name));
      }
    });
  }
}
