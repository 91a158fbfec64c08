// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Application.h"

#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include "platform/Dialogs.h"
#include "platform/Errors.h"

namespace {

// Answers for the standard buttons (Qt asks its theme for them), ahead of Qt's catalogs.
class ButtonTranslator : public QTranslator {
 public:
  ButtonTranslator(const StandardButtonTexts& b, QObject* parent) : QTranslator(parent) {
    texts = {{"OK", b.ok}, {"Cancel", b.cancel}, {"&Yes", b.yes}, {"&No", b.no}};
  }
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (qstrcmp(context, "QPlatformTheme") != 0) return QString();
    return texts.value(QByteArray(source));
  }

 private:
  QHash<QByteArray, QString> texts;
};

}  // namespace

void UseQtTranslations(const QString& language, const StandardButtonTexts& buttons) {
  static QPointer<QTranslator> catalog, ours;
  delete catalog;  // and so removed
  delete ours;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  const QLocale locale = language.isEmpty() ? QLocale::system() : QLocale(language);
  if (locale.language() != QLocale::English && locale.language() != QLocale::C) {
    catalog = new QTranslator(app);
    // Debian: /usr/share/qt6/translations, from qt6-translations-l10n.
    if (catalog->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
      QCoreApplication::installTranslator(catalog);
  }
  // The last installed is asked first.
  ours = new ButtonTranslator(buttons, app);
  QCoreApplication::installTranslator(ours);
}

ZulApplication::ZulApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // No display name: Qt would append it to every caption ("zulset — ZUL Set"). Each box
  // names itself "ZUL Set" where that is its caption.
  setApplicationName(QStringLiteral("ZUL Set"));
}

bool ZulApplication::notify(QObject* receiver, QEvent* event) {
  QString message;
  try {
    return QApplication::notify(receiver, event);
  } catch (const Exception& e) {
    message = e.Message;
  } catch (const std::exception& e) {
    message = QString::fromLocal8Bit(e.what());
  }
  if (!message.isEmpty() && message.back().unicode() > u'.') message += QLatin1Char('.');
  if (dialogs_) dialogs_->error(message);
  return false;
}
