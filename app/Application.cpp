// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Application.h"

#include "platform/Dialogs.h"
#include "platform/Errors.h"

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
