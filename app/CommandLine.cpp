#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "settings/SettingsLocation.h"

namespace {

void print(const QString& text) {
  fputs(text.toLocal8Bit().constData(), stdout);
  fflush(stdout);
}

}  // namespace

int AnswerOnConsole(int argc, char** argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  // Qt's own options such as -reverse stay words instead of bundles of letters with a v in them.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(QStringLiteral(
      "Configures a GSM access and alarm unit over a serial line (19200 baud, AT commands).\n"
      "Without options it opens its window and asks for the unit's COM port."));
  // Not addHelpOption(): its --help-all would promise Qt's options, which need a display.
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                                QStringLiteral("Displays this help."));
  parser.addOption(help);
  const QCommandLineOption version = parser.addVersionOption();
  // Arguments of no concern here (Qt's, or unknown ones) leave the start as it always was.
  parser.parse(args);
  if (parser.isSet(version)) {
    print(QStringLiteral("zulset %1\n").arg(QStringLiteral(ZUL_VERSION)));
    return 0;
  }
  if (!parser.isSet(help)) return -1;

  // The help text names the program as started, which takes an application object; a console
  // one, so that no display is needed.
  QCoreApplication app(argc, argv);
  const QString programFile = QCoreApplication::applicationFilePath();
  const QString config = UserConfigFolder();
  QStringList links{QFileInfo(programFile).absolutePath() + QStringLiteral("/ports/comN")};
  if (!config.isEmpty()) links << config + QStringLiteral("/ports/comN");
  print(parser.helpText() +
        QStringLiteral("\nFiles:\n  settings    %1\n  COM links   %2\n")
            .arg(LocateSettings(programFile, config).file, links.join(QStringLiteral(", then "))));
  return 0;
}
