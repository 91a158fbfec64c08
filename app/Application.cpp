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

QByteArray textKey(const char* context, const char* source) {
  return QByteArray(context) + '\n' + source;
}

class OwnTranslator : public QTranslator {
 public:
  OwnTranslator(const QList<QtText>& ours, QObject* parent) : QTranslator(parent) {
    for (const QtText& t : ours) texts.insert(textKey(t.context, t.source), t.text);
  }
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char*, int) const override {
    return texts.value(textKey(context, source));
  }

 private:
  QHash<QByteArray, QString> texts;
};

}  // namespace

void UseQtTranslations(const QString& language, const QList<QtText>& texts) {
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
  ours = new OwnTranslator(texts, app);
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
