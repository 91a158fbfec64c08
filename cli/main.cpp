// SPDX-License-Identifier: GPL-3.0-or-later
// zulset-cli: the unit's phone book and SMS set from a script, one command a run, with the
// window's chains, texts and files.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <cstdio>

#include "cli/CliSession.h"
#include "cli/DatabaseDelivery.h"
#include "cli/LinkListener.h"
#include "files/FileCharset.h"
#include "files/PhoneBookFile.h"
#include "files/PhoneBookVCard.h"
#include "files/TextFiles.h"
#include "link/PortNames.h"
#include "phonebook/EntrySyntax.h"
#include "phonebook/PhoneBookCheck.h"
#include "platform/Errors.h"
#include "platform/QtSerialDevice.h"
#include "platform/Signals.h"
#include "platform/SystemClock.h"
#include "settings/IniFile.h"
#include "settings/MessageTexts.h"
#include "settings/SettingBindings.h"
#include "settings/SettingsLocation.h"
#include "settings/Translations.h"

namespace {

const char* const kHelp =
    "Usage: zulset-cli [--port COMn|DEVICE] [--settings FILE] COMMAND [ARG]\n"
    "       zulset-cli --port COMn|DEVICE [--settings FILE] [--force] [--backup FILE]\n"
    "                  overwrite-sim|add-to-sim FILE.phb\n"
    "       zulset-cli --port COMn|DEVICE [--settings FILE] [--prefix TEXT]\n"
    "                  [--relay-a NAME] [--relay-b NAME] [--database URL [--unit NAME]]\n"
    "                  log-admissions FOLDER\n"
    "       zulset-cli --port COMn|DEVICE [--settings FILE] monitor\n"
    "       zulset-cli db-check URL\n"
    "\n"
    "Configures a GSM access and alarm unit over a serial line, one command a run, as the\n"
    "window's buttons do; or listens to it unattended until stopped.\n"
    "\n"
    "Commands:\n"
    "  load-sim FILE.phb       read the SIM phone book into FILE (as Load SIM, then Save); FILE\n"
    "                          - is standard output\n"
    "  overwrite-sim FILE.phb  erase the SIM phone book and write FILE's rows (as Overwrite SIM)\n"
    "  add-to-sim FILE.phb     add FILE's rows (as Add To SIM), except those the SIM holds\n"
    "                          already (same name and number)\n"
    "  load-smss FILE.sms      read the six SMS texts into FILE (- is standard output)\n"
    "  save-smss FILE.sms      write FILE's six pairs (as Save SMSs)\n"
    "  delete-smss             delete every SMS on the SIM\n"
    "  verify FILE.phb         the entry check over every row, and what the unit cannot take\n"
    "                          (a number without a name, RTIME not two digits, ALARM9, a\n"
    "                          second RTIME or OUT); no port needed\n"
    "  log-admissions FOLDER   record admissions into daily files in FOLDER until stopped\n"
    "  monitor                 print every line from the unit, each with its local time\n"
    "                          (ISO 8601), until stopped\n"
    "  db-check URL            whether the database is ready for log-admissions --database:\n"
    "                          reachable, its table admissions there, inserting allowed; no\n"
    "                          port needed\n"
    "\n"
    "Options:\n"
    "  --port COMn|DEVICE  the unit's port: a COM number (1 to 50), found as the window finds\n"
    "                      it (a link ports/comN beside the program, then in\n"
    "                      ~/.config/zulset/ports/, then COM1-10 /dev/ttyS0-9, COM11-30\n"
    "                      /dev/ttyUSB0-19, COM31-50 /dev/ttyACM0-19), a device's path, or\n"
    "                      its path under /dev (ttyUSB0, serial/by-id/...): a path that\n"
    "                      starts with neither / nor . is taken there. Required except for\n"
    "                      verify.\n"
    "  --settings FILE     the settings file whose limit (MaxLengthNumber) and relay names\n"
    "                      are used (default: the window's, %1);\n"
    "                      log-admissions and monitor read it once it is there\n"
    "  --force             overwrite-sim, add-to-sim: write even when rows have faults\n"
    "  --backup FILE       overwrite-sim, add-to-sim: read the SIM phone book into FILE\n"
    "                      before anything on it is changed\n"
    "  --prefix TEXT       log-admissions: the first part of the daily files' names\n"
    "                      (default: admiss)\n"
    "  --relay-a NAME      log-admissions: the name of relay A in the records (default:\n"
    "                      RelA of the settings file, OUTPUT A)\n"
    "  --relay-b NAME      the same for relay B (RelB, OUTPUT B)\n"
    "  --database URL      log-admissions: each record also into the table admissions of this\n"
    "                      PostgreSQL database (a libpq connection URI such as\n"
    "                      postgresql://gate1@db.example.org/zulset; default: URL of the\n"
    "                      settings file's [Database]), after it is in its file. TLS with the\n"
    "                      server's certificate checked (sslmode=verify-full) unless the URL\n"
    "                      says otherwise; the password comes from libpq's password file or\n"
    "                      the credential db-password, never from the URL\n"
    "  --unit NAME         the unit's name in the table (default: Unit of [Database], else\n"
    "                      the port as given and the host, ttyUSB0@gatehost)\n"
    "  -h, --help          this text\n"
    "  -v, --version       the version\n"
    "\n"
    "Each command waits for the unit as the window's user does: its first signal report, the\n"
    "operator and the SIM's size, then a report that opens the free window. What it waits for\n"
    "and its progress (rows, SMS or pairs done) go to standard error when it is a terminal;\n"
    "messages, in the texts of the window's boxes, go to standard error. Files are read and\n"
    "written as the window does; a phone book FILE ending in .vcf holds contacts (vCard).\n"
    "overwrite-sim and add-to-sim check every row first and send nothing when a row has a\n"
    "fault: each is named (exit status 2) unless --force is given.\n"
    "\n"
    "Messages are in the language of the locale (LC_ALL, LC_MESSAGES, LANG) where a translation\n"
    "ships with the program (cs, sk, de, pl), otherwise in English; the settings file does not\n"
    "change them. A script that reads them runs with LC_ALL=C for English. The help and the\n"
    "complaints about the command line itself are always in English.\n"
    "\n"
    "log-admissions writes each call of a caller the SIM knows by name, as it comes, at the\n"
    "end of FOLDER/<prefix><yyyy-mm-dd>.csv, the file of the call's day, one line\n"
    "\"date time;name  (phone: number)  /relay\" as in the window's admission files, on the\n"
    "disk before the next; records that cannot be written wait, and a stop names them and\n"
    "keeps them in FOLDER/<prefix>-waiting.spool for the next start. monitor\n"
    "writes each line to standard output as it comes: the time, a blank, the line (every byte\n"
    "that is no printable ASCII character, below 32, 127 and above, as \\xHH, a backslash as\n"
    "\\\\; empty lines left out). Both take\n"
    "the port back by themselves when its device comes again, and never stop on a garbled\n"
    "line; their messages go to standard error. SIGTERM or SIGINT ends them (see exit status),\n"
    "SIGHUP reads the settings file again.\n"
    "\n"
    "With a database, the daily files stay the record of truth: a record goes to the table\n"
    "once, in order, keyed by unit, file and line, and FOLDER/.zulset-delivered keeps what the\n"
    "database confirmed. While it cannot be reached the records wait in their files and go\n"
    "within seconds of its return; the messages say when delivery stops and starts again.\n"
    "\n"
    "Exit status:\n"
    "  0  all done (a caller found in the SIM's last entry, which is kept for OUT and which\n"
    "     no read shows, is still named on standard error)\n"
    "  1  done in part: what is not on the unit (or the file not written) is named on\n"
    "     standard error, rows a full SIM had no free entry for among them; verify: rows\n"
    "     with faults, named\n"
    "  2  bad usage, a file that cannot be read or written, or (overwrite-sim, add-to-sim)\n"
    "     rows with faults: nothing was sent\n"
    "  3  no link: the port cannot be opened, or the unit stays silent for the watchdog's time\n"
    "     (about two minutes)\n"
    "log-admissions and monitor end with 0 when stopped by a signal (log-admissions: 1 when\n"
    "records it could not write were left), 2 on bad usage.\n"
    "db-check: 0 ready, 1 reachable but not ready, 2 bad usage, 3 not reachable or refused.\n";

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
  QString databaseUrl, unitName;  // [Database]
};

// The texts of one language for the whole run: the locale's where a translation ships, else
// the built-in English. A settings file the window last closed in another language must not
// change what a script reads; the settings file gives only [Form] values and [Database].
Settings readSettings(const QString& fileName) {
  Settings s;
  const IniFile ini(fileName);
  const QString form = QStringLiteral("Form");
  s.maxLengthNumber = ini.ReadInteger(form, QStringLiteral("MaxLengthNumber"), 13);
  s.relayA = ini.ReadString(form, QStringLiteral("RelA"), QStringLiteral("OUTPUT A"));
  s.relayB = ini.ReadString(form, QStringLiteral("RelB"), QStringLiteral("OUTPUT B"));
  s.databaseUrl = ini.ReadString(QStringLiteral("Database"), QStringLiteral("URL"), QString());
  s.unitName = ini.ReadString(QStringLiteral("Database"), QStringLiteral("Unit"), QString());
  // The chains are named by their buttons' captions.
  const char* const captions[] = {"",          "Load SIM",  "Overwrite SIM", "Add To SIM",
                                  "Load SMSs", "Save SMSs", "Delete SMSs"};
  for (int c = 1; c < 7; ++c) s.chainNames[c] = QString::fromLatin1(captions[c]);
  const QString language = SystemLanguage();
  const QString translation = TranslationFile(language);
  if (translation.isEmpty()) return s;
  const IniFile texts(translation, FileCharset::Utf8());
  ReadSection(texts, SettingsSections[2], MessageBindings(s.messages));
  // The forms of the counted messages are the translation's.
  s.messages.Language = language;
  for (int c = 1; c < 7; ++c)
    s.chainNames[c] =
        texts.ReadString(QStringLiteral("Language"), s.chainNames[c], s.chainNames[c]);
  return s;
}

// Every row with a fault, named; true when there were any.
bool tellFaults(const QString& file, const QStringList& rows, const Settings& s) {
  const QList<RowFault> faults = PhoneBookFaults(rows, s.messages, s.maxLengthNumber);
  for (const QString& line : FaultLines(faults, s.messages))
    say(QStringLiteral("%1: %2").arg(file, line));
  if (!faults.isEmpty())
    say(QStringLiteral("%1: %2").arg(
        file, s.messages.RowsWithFaults.arg(faults.size()).arg(rows.size())));
  return !faults.isEmpty();
}

// The phone book file by its extension, as the window's Load takes it: what a vCard's
// contacts became is said first.
QStringList readPhoneBook(const QString& file, const Settings& s) {
  if (!IsVCardFile(file)) return ReadPhoneBookFile(file);
  QString report;
  const QStringList rows = ReadPhoneBookVcf(file, s.messages, s.maxLengthNumber, &report);
  if (!report.isEmpty()) say(report);
  return rows;
}

// The entry check of the window's Verify button, over every row instead of up to the first
// fault, with what a write cannot carry.
int verify(const QString& file, const Settings& s) {
  return tellFaults(file, readPhoneBook(file, s), s) ? CliSession::DoneInPart : CliSession::Done;
}

bool writable(const QString& file) {
  if (file == QLatin1String("-")) return true;  // standard output
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

#ifdef ZUL_TEST_CLOCK
// Tests only: ZUL_TEST_CLOCK="REAL VIRTUAL [RATE]" (milliseconds since the epoch) makes the
// date and time read VIRTUAL at the real time REAL and run RATE times as fast; pauses and
// timers keep real time. The same value in several runs gives them one virtual time line.
class TestClock : public SystemClock {
 public:
  TestClock() {
    const QList<QByteArray> v = qgetenv("ZUL_TEST_CLOCK").simplified().split(' ');
    real = v.value(0).toLongLong();
    virtualAt = v.value(1).toLongLong();
    rate = v.size() > 2 ? v[2].toDouble() : 1.0;
  }
  QDateTime now() const override {
    if (real == 0) return SystemClock::now();
    const qint64 t = QDateTime::currentMSecsSinceEpoch();
    return QDateTime::fromMSecsSinceEpoch(virtualAt + qint64(double(t - real) * rate));
  }

 private:
  qint64 real = 0, virtualAt = 0;
  double rate = 1.0;
};
#else
using TestClock = SystemClock;
#endif

// The settings file: --settings, else the window's, found afresh (one put in place since the
// start is the one to read again).
QString settingsPath(const QCommandLineParser& parser) {
  if (parser.isSet(QStringLiteral("settings"))) return parser.value(QStringLiteral("settings"));
  return LocateSettings(QCoreApplication::applicationDirPath() + QStringLiteral("/zulset"),
                        UserConfigFolder())
      .readFrom();
}

// Messages of the unattended commands: to the journal with their priority when standard
// error is the journal's stream (it then drops the "<N>"), else plain.
bool stderrIsJournal() {
  const QByteArray stream = qgetenv("JOURNAL_STREAM");
  struct stat st {};
  if (stream.isEmpty() || fstat(STDERR_FILENO, &st) != 0) return false;
  return stream ==
         QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino));
}

// The unattended commands: they run until a signal ends them.
int listen(const QString& command, const QCommandLineParser& parser, const LinkListener::Options& o,
           const DatabaseDelivery::Options& db, CoreEnvironment env) {
  const QString prefix = QStringLiteral("zulset-cli ") + command + QStringLiteral(": ");
  const bool journal = stderrIsJournal();
  auto tell = [prefix, journal](LinkListener::Level level, const QString& text) {
    say((journal ? QStringLiteral("<%1>").arg(int(level)) : QString()) + prefix + text);
  };
  QtSerialDeviceFactory serial;
  TestClock clock;
  env.clock = &clock;
  env.serial = &serial;
  // Nobody to ask: the same port again.
  env.choosePort = [port = o.port] { return port; };
  LinkListener listener(env, o);
  listener.say = tell;
  listener.line = [](const QByteArray& text) {
    fwrite(text.constData(), 1, size_t(text.size()), stdout);
    fputc('\n', stdout);
    fflush(stdout);
  };
  std::optional<DatabaseDelivery> delivery;
  if (!db.url.isEmpty()) {
    delivery.emplace(db);
    delivery->say = tell;
    listener.written = [&delivery] { delivery->Wake(); };
  }
  OnSignals({SIGTERM, SIGINT, SIGHUP}, [&](int number) {
    if (number == SIGHUP) {
      const QString settingsFile = settingsPath(parser);
      const Settings again = readSettings(settingsFile);
      listener.Reload(!parser.isSet(QStringLiteral("relay-a")) ? again.relayA : o.relayA,
                      !parser.isSet(QStringLiteral("relay-b")) ? again.relayB : o.relayB,
                      again.messages);
      tell(LinkListener::Level::Info, QStringLiteral("read %1 again").arg(settingsFile));
      return;
    }
    const qsizetype unwritten = listener.End();
    if (delivery) delivery->End();
    tell(LinkListener::Level::Info,
         QStringLiteral("stopped by %1").arg(number == SIGTERM ? "SIGTERM" : "SIGINT"));
    // Records only in the journal and the spool file: the service is to show as failed.
    QCoreApplication::exit(unwritten > 0 ? 1 : 0);
  });
  // The device behind a COM number; a path names itself.
  QString start = o.portLabel;
  if (start.isEmpty()) start = QStringLiteral("COM%1 (%2)").arg(o.port).arg(env.deviceName(o.port));
  if (!o.folder.isEmpty())
    start +=
        QStringLiteral(", records into ") + QDir(o.folder).filePath(o.prefix + "<yyyy-mm-dd>.csv");
  if (delivery)
    start += QStringLiteral(" and the database %1 as unit %2").arg(DatabaseLabel(db.url), db.unit);
  const QString settingsFile = settingsPath(parser);
  start += QFileInfo::exists(settingsFile)
               ? QStringLiteral(", settings from ") + settingsFile
               : QStringLiteral(", no settings file %1 (built-in texts)").arg(settingsFile);
  tell(LinkListener::Level::Info, start);
  listener.Begin();
  if (delivery) delivery->Begin();
  return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
  const QCommandLineOption settingsOption(QStringLiteral("settings"), QString(),
                                          QStringLiteral("FILE"));
  const QCommandLineOption prefixOption(QStringLiteral("prefix"), QString(),
                                        QStringLiteral("TEXT"));
  const QCommandLineOption relayAOption(QStringLiteral("relay-a"), QString(),
                                        QStringLiteral("NAME"));
  const QCommandLineOption relayBOption(QStringLiteral("relay-b"), QString(),
                                        QStringLiteral("NAME"));
  const QCommandLineOption forceOption(QStringLiteral("force"), QString());
  const QCommandLineOption backupOption(QStringLiteral("backup"), QString(),
                                        QStringLiteral("FILE"));
  const QCommandLineOption databaseOption(QStringLiteral("database"), QString(),
                                          QStringLiteral("URL"));
  const QCommandLineOption unitOption(QStringLiteral("unit"), QString(), QStringLiteral("NAME"));
  const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QString());
  const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                         QString());
  parser.addOptions({portOption, settingsOption, prefixOption, relayAOption, relayBOption,
                     forceOption, backupOption, databaseOption, unitOption, helpOption,
                     versionOption});
  if (!parser.parse(app.arguments())) return usage(parser.errorText());

  const QString programDir = QCoreApplication::applicationDirPath();
  const QString configDir = UserConfigFolder();
  if (parser.isSet(helpOption)) {
    // The window's settings file: the same name as the window's program, in the same places.
    const QString window =
        LocateSettings(programDir + QStringLiteral("/zulset"), configDir).readFrom();
    fputs(QString::fromLatin1(kHelp).arg(window).toLocal8Bit().constData(), stdout);
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
  // The chains in the order of the SIM buttons, then the commands that press none.
  const Known known[] = {{"load-sim", true},  {"overwrite-sim", true},  {"add-to-sim", true},
                         {"load-smss", true}, {"save-smss", true},      {"delete-smss", false},
                         {"verify", true},    {"log-admissions", true}, {"monitor", false},
                         {"db-check", true}};
  int which = -1;
  for (int i = 0; i < int(std::size(known)); ++i)
    if (command == QLatin1String(known[i].name)) which = i;
  if (which < 0) return usage(QStringLiteral("unknown command '%1'").arg(command));
  if (args.size() != (known[which].takesFile ? 2 : 1))
    return usage(!known[which].takesFile ? QStringLiteral("%1 takes no file").arg(command)
                 : command == QLatin1String("log-admissions")
                     ? QStringLiteral("%1 takes one folder").arg(command)
                 : command == QLatin1String("db-check")
                     ? QStringLiteral("%1 takes one database URL").arg(command)
                     : QStringLiteral("%1 takes one file").arg(command));
  const QString file = args.value(1);
  const bool logging = command == QLatin1String("log-admissions");
  for (const QCommandLineOption* option :
       {&prefixOption, &relayAOption, &relayBOption, &databaseOption, &unitOption})
    if (parser.isSet(*option) && !logging)
      return usage(QStringLiteral("--%1 is for log-admissions").arg(option->names().first()));
  const bool writes =
      command == QLatin1String("overwrite-sim") || command == QLatin1String("add-to-sim");
  for (const QCommandLineOption* option : {&forceOption, &backupOption})
    if (parser.isSet(*option) && !writes)
      return usage(
          QStringLiteral("--%1 is for overwrite-sim and add-to-sim").arg(option->names().first()));
  const QString backup = parser.value(backupOption);
  if (parser.isSet(backupOption) && (backup == QLatin1String("-") || !writable(backup)))
    return usage(QStringLiteral("cannot write the backup %1").arg(backup));

  const QString settingsFile = settingsPath(parser);
  if (parser.isSet(settingsOption)) {
    const QFileInfo info(settingsFile);
    // A service names its settings file before anyone has written it: it is read once it is
    // there (SIGHUP).
    const bool later = !info.exists() && (logging || command == QLatin1String("monitor"));
    if (!later && (!info.isFile() || !info.isReadable()))
      return usage(QStringLiteral("cannot read the settings file %1").arg(settingsFile));
  }
  const Settings settings = readSettings(settingsFile);
  // Errors raised below the session speak the run's one language too.
  SetErrorTexts(settings.messages);

  try {
    if (command == QLatin1String("verify")) return verify(file, settings);
    if (command == QLatin1String("db-check"))
      return CheckDatabase(
          file, [](const QString& text) { say(QStringLiteral("zulset-cli db-check: ") + text); });

    CliSession::Options o;
    if (which < 6) {
      o.chain = Chain(which + 1);
      o.file = file;
    }
    o.messages = settings.messages;
    o.maxLengthNumber = settings.maxLengthNumber;
    o.relayA = settings.relayA;
    o.relayB = settings.relayB;
    for (int c = 0; c < 7; ++c) o.chainNames[c] = settings.chainNames[c];
    LinkListener::Options lo;
    DatabaseDelivery::Options db;
    if (which >= 7) {
      lo.messages = settings.messages;
      lo.relayA = parser.isSet(relayAOption) ? parser.value(relayAOption) : settings.relayA;
      lo.relayB = parser.isSet(relayBOption) ? parser.value(relayBOption) : settings.relayB;
      lo.monitor = !logging;
      if (logging) {
        lo.folder = file;
        if (parser.isSet(prefixOption)) lo.prefix = parser.value(prefixOption);
        if (lo.prefix.contains(QLatin1Char('/')) || lo.prefix.contains(QLatin1Char('\\')))
          return usage(
              QStringLiteral("the prefix is the start of a file's name, without a folder"));
        if (!FolderWritable(file))
          return usage(QStringLiteral("cannot write into the folder %1").arg(file));
        db.url = parser.isSet(databaseOption) ? parser.value(databaseOption) : settings.databaseUrl;
        if (const QString fault = db.url.isEmpty() ? QString() : DatabaseUrlFault(db.url);
            !fault.isEmpty())
          return usage(fault);
        db.unit = parser.isSet(unitOption) ? parser.value(unitOption) : settings.unitName;
        db.folder = lo.folder;
        db.prefix = lo.prefix;
      }
    }
    switch (which < 6 ? o.chain : Chain::None) {
      case Chain::OverwriteSim:
      case Chain::AddToSim:
        o.phoneBook = readPhoneBook(file, settings);
        // A row the unit cannot take must not cost the SIM what it holds.
        if (tellFaults(file, o.phoneBook, settings) && !parser.isSet(forceOption)) {
          say(settings.messages.NothingSent);
          return CliSession::BadFile;
        }
        // The relay time as the window's check makes it: 5 goes to the unit as 05.
        for (QString& row : o.phoneBook) {
          if (!row.startsWith(QLatin1String("RTIME="))) continue;
          const QString time = row.mid(6);
          const QString two = RtimeRewrite(time);
          if (RtimeNeedsRewrite(time) &&
              NumberCharsFault(QStringLiteral("RTIME"), time) == EntryFaultKind::None &&
              two.toInt() == time.toInt())
            row = QStringLiteral("RTIME=") + two;
        }
        o.backup = backup;
        o.leaveOutHeld = o.chain == Chain::AddToSim;
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
      // Not a path (ttyUSB0, serial/by-id/...): a device under /dev, as a service's instance
      // names it.
      const bool path = port.startsWith(QLatin1Char('/')) || port.startsWith(QLatin1Char('.'));
      o.portLabel = path ? port : QStringLiteral("/dev/") + port;
      env.deviceName = [device = o.portLabel](int) { return device; };
    }
    if (which >= 7) {
      lo.port = o.port;
      lo.portLabel = o.portLabel;
      // The port as the service's instance names it, and the host.
      if (db.unit.isEmpty())
        db.unit = (port.startsWith(QStringLiteral("/dev/")) ? port.mid(5) : port) +
                  QLatin1Char('@') + QSysInfo::machineHostName();
      return listen(command, parser, lo, db, env);
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
    // Every message names its object: the SMS file's errors are bare system texts.
    const QString text = ErrorReportText(e.Message);
    say(file.isEmpty() || text.contains(file) ? text : QStringLiteral("%1: %2").arg(file, text));
    return CliSession::BadFile;
  }
}
