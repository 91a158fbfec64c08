// SPDX-License-Identifier: GPL-3.0-or-later
// Program entry: --help and --version answer on the console, --language switches the texts;
// other arguments are not read.
#include <QFileInfo>
#include <cstdlib>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/ShutdownSignals.h"
#include "link/ComPort.h"
#include "platform/QtDialogs.h"
#include "platform/QtSerialDevice.h"
#include "platform/SystemClock.h"
#include "settings/SettingsLocation.h"
#include "settings/Translations.h"

int main(int argc, char** argv) {
  if (const int code = AnswerOnConsole(argc, argv); code >= 0) return code;
  // The link's pie repaints every second for as long as the program runs. Through X11 shared
  // memory each repaint brings a completion event that wakes the program twice more; the
  // window is small, so sending its pixels costs less than keeping a laptop awake.
  if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
  ZulApplication app(argc, argv);
  // The window is laid out to the pixel; the classic style keeps captions inside their buttons.
  app.setStyle(QStringLiteral("Windows"));
  const QString programFile = QCoreApplication::applicationFilePath();
  const QString configDir = UserConfigFolder();

  QtSerialDeviceFactory serial;
  QtDialogs dialogs(&serial, {QFileInfo(programFile).absolutePath(), configDir});
  SystemClock clock;
  app.SetDialogs(&dialogs);

  FormEnvironment env;
  env.dialogs = &dialogs;
  env.clock = &clock;
  env.serial = &serial;
  env.programFile = programFile;
  env.configDir = configDir;
  env.language = SystemLanguage();

  TForm1 Form1(env);
  dialogs.setParentWidget(&Form1);
  // A start whose port was never opened ends here, without a window.
  if (Form1.StartPortNumber == 0) return 0;
  Form1.show();
  // Ends that never reach the close question: a signal, or an exit() from inside the event
  // loop (Qt's own when the display's connection breaks at a logout).
  static TForm1* running = &Form1;
  OnShutdownSignals([] { running->RescueAdmissions(); });
  std::atexit([] {
    if (running) running->RescueAdmissions();
  });
  const int code = app.exec();
  running = nullptr;
  return code;
}
