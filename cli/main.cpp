// zulset-cli: the unit's phone book and SMS set from a script, one command a run, with the
// window's chains, texts and files.
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>

#include "cli/CliSession.h"
#include "files/PhoneBookFile.h"
#include "files/TextFiles.h"
#include "link/PortNames.h"
#include "phonebook/EntrySyntax.h"
#include "platform/Errors.h"
#include "platform/QtSerialDevice.h"
#include "platform/SystemClock.h"
#include "settings/IniFile.h"
#include "settings/SettingBindings.h"
#include "settings/SettingsLocation.h"

namespace {

const char* const kHelp =
    "Usage: zulset-cli [--port COMn|DEVICE] [--settings FILE] COMMAND [ARG]\n"
    "\n"
    "Configures a GSM access and alarm unit over a serial line, one command a run, as the\n"
    "window's buttons do.\n"
    "\n"
    "Commands:\n"
    "  load-sim FILE.phb       read the SIM phone book into FILE (as Load SIM, then Save)\n"
    "  overwrite-sim FILE.phb  erase the SIM phone book and write FILE's rows (as Overwrite SIM)\n"
    "  add-to-sim FILE.phb     add FILE's rows (as Add To SIM)\n"
    "  load-smss FILE.sms      read the six SMS texts into FILE\n"
    "  save-smss FILE.sms      write FILE's six pairs (as Save SMSs)\n"
    "  delete-smss             delete every SMS on the SIM\n"
    "  verify FILE.phb         the entry check over every row; no port needed\n"
    "\n"
    "Options:\n"
    "  --port COMn|DEVICE  the unit's port: a COM number (1 to 50), found as the window finds\n"
    "                      it (a link ports/comN beside the program, then in\n"
    "                      ~/.config/zulset/ports/, then COM1-10 /dev/ttyS0-9, COM11-30\n"
    "                      /dev/ttyUSB0-19, COM31-50 /dev/ttyACM0-19), or a device path.\n"
    "                      Required except for verify.\n"
    "  --settings FILE     the settings file whose texts and limits are used (default: the\n"
    "                      window's, %1)\n"
    "  -h, --help          this text\n"
    "  -v, --version       the version\n"
    "\n"
    "Each command waits for the unit as the window's user does: its first signal report, the\n"
    "operator and the SIM's size, then a report that opens the free window. Progress (rows or\n"
    "pairs done) goes to standard error when it is a terminal; messages, in the texts of the\n"
    "window's boxes, go to standard error. Files are read and written as the window does.\n"
    "\n"
    "Exit status:\n"
    "  0  all done (a caller found in the SIM's last entry, which is kept for OUT and which\n"
    "     no read shows, is still named on standard error)\n"
    "  1  done in part: what is not on the unit (or the file not written) is named on\n"
    "     standard error, rows a full SIM had no free entry for among them; verify: rows\n"
    "     with faults, named\n"
    "  2  bad usage, or a file that cannot be read or written\n"
    "  3  no link: the port cannot be opened, or the unit stays silent for the watchdog's time\n"
    "     (about two minutes)\n";

bool progressShown = false;

void say(const QString& text) {
  // A message starts on a line of its own, below the progress.
  if (progressShown) fputs("\r\x1b[K", stderr);
  progressShown = false;
  fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
  fflush(stderr);
}

int usage(const QString& why) {
  say(QStringLiteral("zulset-cli: ") + why);
  say(QStringLiteral("Try 'zulset-cli --help'."));
  return CliSession::BadFile;
}

struct Settings {
  MessageTexts messages;
  int maxLengthNumber = 13;
  QString relayA, relayB;
  QString chainNames[7];
};

Settings readSettings(const QString& fileName) {
  const IniFile ini(fileName);
  Settings s;
  ReadSection(ini, SettingsSections[2], MessageBindings(s.messages));
  const QString form = QStringLiteral("Form");
  s.maxLengthNumber = ini.ReadInteger(form, QStringLiteral("MaxLengthNumber"), 13);
  s.relayA = ini.ReadString(form, QStringLiteral("RelA"), QStringLiteral("OUTPUT A"));
  s.relayB = ini.ReadString(form, QStringLiteral("RelB"), QStringLiteral("OUTPUT B"));
  // The chains are named by their buttons' captions.
  const char* const captions[] = {"",          "Load SIM",  "Overwrite SIM", "Add To SIM",
                                  "Load SMSs", "Save SMSs", "Delete SMSs"};
  for (int c = 1; c < 7; ++c) {
    const QString key = QString::fromLatin1(captions[c]);
    s.chainNames[c] = ini.ReadString(QStringLiteral("Language"), key, key);
  }
  return s;
}

// The entry check of the window's Verify button, over every row instead of up to the first
// fault.
int verify(const QString& file, const Settings& s) {
  const QStringList rows = ReadPhoneBookFile(file);
  int faulty = 0;
  for (int r = 0; r < rows.size(); ++r) {
    const int eq = int(rows[r].indexOf(QLatin1Char('=')));
    const QString name = eq < 0 ? QString() : rows[r].left(eq);
    QString number = eq < 0 ? rows[r] : rows[r].mid(eq + 1);
    const MessageTexts& m = s.messages;
    // In the order of EntryFaultKind.
    const QString* const texts[] = {nullptr, &m.IncorrectNumber, &m.NumberTooLong, &m.IncorrectName,
                                    &m.TooLongName};
    const QString* fault = texts[int(CheckEntry(name, number, s.maxLengthNumber))];
    if (!fault) continue;
    ++faulty;
    say(QStringLiteral("%1: row %2: %3: %4").arg(file).arg(r + 1).arg(rows[r], *fault));
  }
  if (faulty > 0)
    say(QStringLiteral("%1: %2 of %3 rows with faults").arg(file).arg(faulty).arg(rows.size()));
  return faulty > 0 ? CliSession::DoneInPart : CliSession::Done;
}

bool writable(const QString& file) {
  const QFileInfo info(file);
  if (info.exists()) return info.isFile() && info.isWritable();
  const QFileInfo folder(info.absolutePath());
#ifdef Q_OS_WIN
  return FolderWritable(folder.filePath());
#else
  // A place the user names, /usr/local too: FolderWritable keeps only the program's own files
  // out of /usr.
  return folder.isDir() && folder.isWritable();
#endif
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
  const QCommandLineOption settingsOption(QStringLiteral("settings"), QString(),
                                          QStringLiteral("FILE"));
  const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QString());
  const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                         QString());
  parser.addOptions({portOption, settingsOption, helpOption, versionOption});
  if (!parser.parse(app.arguments())) return usage(parser.errorText());

  const QString programDir = QCoreApplication::applicationDirPath();
  const QString configDir = UserConfigFolder();
  // The window's settings file: the same name as the window's program, in the same places.
  const QString defaultSettings =
      LocateSettings(programDir + QStringLiteral("/zulset"), configDir).readFrom();
  if (parser.isSet(helpOption)) {
    fputs(QString::fromLatin1(kHelp).arg(defaultSettings).toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (parser.isSet(versionOption)) {
    printf("zulset-cli %s\n", ZUL_VERSION);
    return 0;
  }

  const QStringList args = parser.positionalArguments();
  if (args.isEmpty()) return usage(QStringLiteral("no command given"));
  const QString command = args[0];
  struct Known {
    const char* name;
    bool takesFile;
  };
  const Known known[] = {{"load-sim", true},  {"overwrite-sim", true}, {"add-to-sim", true},
                         {"load-smss", true}, {"save-smss", true},     {"delete-smss", false},
                         {"verify", true}};
  int which = -1;
  for (int i = 0; i < int(std::size(known)); ++i)
    if (command == QLatin1String(known[i].name)) which = i;
  if (which < 0) return usage(QStringLiteral("unknown command '%1'").arg(command));
  if (args.size() != (known[which].takesFile ? 2 : 1))
    return usage(known[which].takesFile ? QStringLiteral("%1 takes one file").arg(command)
                                        : QStringLiteral("%1 takes no file").arg(command));
  const QString file = args.value(1);

  QString settingsFile = defaultSettings;
  if (parser.isSet(settingsOption)) {
    settingsFile = parser.value(settingsOption);
    if (!QFileInfo(settingsFile).isFile() || !QFileInfo(settingsFile).isReadable())
      return usage(QStringLiteral("cannot read the settings file %1").arg(settingsFile));
  }
  const Settings settings = readSettings(settingsFile);

  try {
    if (command == QLatin1String("verify")) return verify(file, settings);

    CliSession::Options o;
    o.chain = Chain(which + 1);  // in the order of the SIM buttons
    o.file = file;
    o.messages = settings.messages;
    o.maxLengthNumber = settings.maxLengthNumber;
    o.relayA = settings.relayA;
    o.relayB = settings.relayB;
    for (int c = 0; c < 7; ++c) o.chainNames[c] = settings.chainNames[c];
    switch (o.chain) {
      case Chain::OverwriteSim:
      case Chain::AddToSim:
        o.phoneBook = ReadPhoneBookFile(file);
        break;
      case Chain::SaveSms:
        if (const std::optional<QStringList> fields = ReadSmsFile(file))
          for (int k = 0; k < 6; ++k) o.pairs[k] = {fields->at(2 * k), fields->at(2 * k + 1)};
        break;
      case Chain::LoadSim:
      case Chain::LoadSms:
        if (!writable(file)) return usage(QStringLiteral("cannot write %1").arg(file));
        break;
      case Chain::DeleteSms:
      case Chain::None:
        break;
    }

    if (!parser.isSet(portOption)) return usage(QStringLiteral("%1 needs --port").arg(command));
    const QString port = parser.value(portOption);
    CoreEnvironment env;
    const QRegularExpression comN(QStringLiteral("^(?:COM)?([0-9]+)$"),
                                  QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = comN.match(port); m.hasMatch()) {
      o.port = m.captured(1).toInt();
      if (o.port < 1 || o.port > 50) return usage(QStringLiteral("no port %1").arg(port));
      const QStringList places{programDir, configDir};
      env.deviceName = [places](int n) { return PortDeviceName(n, places); };
    } else {
      o.port = 1;
      o.portLabel = port;
      env.deviceName = [port](int) { return port; };
    }
    QtSerialDeviceFactory serial;
    SystemClock clock;
    env.clock = &clock;
    env.serial = &serial;
    env.choosePort = [] { return 0; };  // nobody to ask

    CliSession session(env, o);
    session.say = say;
    if (isatty(STDERR_FILENO))
      session.progress = [command](const QString& line) {
        const QString text = line.isEmpty() ? QString() : command + QStringLiteral(": ") + line;
        fputs(("\r" + text + "\x1b[K").toLocal8Bit().constData(), stderr);
        fflush(stderr);
        progressShown = !text.isEmpty();
      };
    int status = -1;
    session.finished = [&](int s) {
      status = s;
      app.quit();
    };
    session.Begin();
    if (status < 0) app.exec();
    return status;
  } catch (const Exception& e) {
    say(ErrorReportText(e.Message));
    return CliSession::BadFile;
  }
}
