// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "platform/Errors.h"
#include "settings/SettingsLocation.h"
#include "settings/Translations.h"

namespace {

void print(const QString& text, FILE* to = stdout) {
  fputs(text.toLocal8Bit().constData(), to);
  fflush(to);
}

QString languageName(const QString& code) {
  for (const ShippedTranslation& t : ShippedTranslations)
    if (code == QLatin1String(t.code)) return QString::fromLatin1(t.name);
  return QStringLiteral("English");
}

// How a user switches language later: where the shipped files lie in an installed tree.
QString languageHelp(const QString& programFile) {
  const QString shipped = QDir::cleanPath(QFileInfo(programFile).absolutePath() +
                                          QStringLiteral("/../share/zulset/translations"));
#ifdef Q_OS_WIN
  const QString system = QStringLiteral("the user's display\n  language");
#else
  const QString system =
      QStringLiteral("the system's language (the first of\n  LC_ALL, LC_MESSAGES, LANG)");
#endif
  QString text =
      QStringLiteral(
          "\nLanguages: %1, en (the built-in English)\n"
          "  A first start (no settings file yet) takes %2 where it ships, otherwise English.\n"
          "  To switch later, start once with --language CODE, which keeps [Form].\n")
          .arg(LanguageCodes().mid(0, LanguageCodes().size() - 1).join(QStringLiteral(", ")),
               system);
  if (QFileInfo(shipped).isDir())
    text += QStringLiteral(
                "  Or copy the sections [Language], [Messages] and [Help] of a file in\n"
                "  %1 into the settings file.\n")
                .arg(QDir::toNativeSeparators(shipped));
  return text;
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
  const QCommandLineOption language(
      QStringLiteral("language"),
      QStringLiteral("Puts the texts of language <code> (%1) into the settings file, keeping "
                     "its [Form] values, then starts.")
          .arg(LanguageCodes().join(QStringLiteral(", "))),
      QStringLiteral("code"));
  parser.addOption(language);
  // Arguments of no concern here (Qt's, or unknown ones) leave the start as it always was.
  if (!parser.parse(args) && parser.unknownOptionNames().isEmpty()) {
    print(QStringLiteral("zulset: %1\n").arg(parser.errorText()), stderr);  // --language alone
    return 2;
  }
  if (parser.isSet(version)) {
    print(QStringLiteral("zulset %1\n").arg(QStringLiteral(ZUL_VERSION)));
    return 0;
  }
  const QString code = parser.value(language);
  if (parser.isSet(language) && !LanguageCodes().contains(code)) {
    print(QStringLiteral("zulset: no language \"%1\"; choose one of %2.\n")
              .arg(code, LanguageCodes().join(QStringLiteral(", "))),
          stderr);
    return 2;
  }
  if (!parser.isSet(help) && !parser.isSet(language)) return -1;

  // The settings file and the help text go by the program as started, which takes an
  // application object; a console one, so that no display is needed.
  QCoreApplication app(argc, argv);
  const QString programFile = QCoreApplication::applicationFilePath();
  const QString config = UserConfigFolder();
  if (!parser.isSet(help)) {
    const SettingsPlace place = LocateSettings(programFile, config);
    try {
      SwitchLanguage(place, code);
    } catch (const Exception& e) {
      print(QStringLiteral("zulset: %1\n").arg(e.Message), stderr);
      return 1;
    }
    print(QStringLiteral("zulset: %1 texts in %2\n").arg(languageName(code), place.file));
    return -1;
  }
  QStringList links{QFileInfo(programFile).absolutePath() + QStringLiteral("/ports/comN")};
  if (!config.isEmpty()) links << config + QStringLiteral("/ports/comN");
  print(parser.helpText() +
        QStringLiteral("\nFiles:\n  settings    %1\n  COM links   %2\n")
            .arg(LocateSettings(programFile, config).file, links.join(QStringLiteral(", then "))) +
        languageHelp(programFile));
  return 0;
}
