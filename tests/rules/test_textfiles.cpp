// SPDX-License-Identifier: GPL-3.0-or-later
// The PC files as bytes on disk: SMS lines, failures, and the character set of every file
// kind that holds what people type.
#include <sys/resource.h>

#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <optional>

#include "admissions/AdmissionRecord.h"
#include "admissions/AdmissionSink.h"
#include "admissions/DailyRecords.h"
#include "files/PhoneBookFile.h"
#include "files/TextFiles.h"
#include "platform/Errors.h"
#include "settings/IniFile.h"
#include "support/FaultyFileCalls.h"
#include "support/FileBytes.h"

namespace {

template <typename E>
QString messageOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const E& e) {
    return e.Message;
  }
  return QStringLiteral("<no error>");
}

// A disk that fills up: no file grows beyond `bytes` while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_;
};

// The locale of the process environment while it lives.
class LocaleScope {
 public:
  explicit LocaleScope(const QByteArray& name) : old_(qgetenv("LC_ALL")) {
    qputenv("LC_ALL", name);
  }
  ~LocaleScope() { qputenv("LC_ALL", old_); }

 private:
  QByteArray old_;
};

// Each kind of file through the program's own writer and reader. The admission file is never
// read by the program: it is read as any program of the same locale would.
enum class Kind { Settings, PhoneBook, Sms, Admissions };

void writeText(Kind kind, const QString& file, const QString& text) {
  switch (kind) {
    case Kind::Settings: {
      IniFile ini(file);
      ini.WriteString("Form", "RelA", text);
      ini.UpdateFile();
      break;
    }
    case Kind::PhoneBook:
      WritePhoneBookFile(file, {"ADMIN1=1", text + "=2"});
      break;
    case Kind::Sms: {
      QStringList fields(12);
      fields[1] = text;
      WriteSmsFile(file, fields);
      break;
    }
    case Kind::Admissions:
      AdmissionSink().Replace(file, AdmissionFileBytes(file, {{"1.2.24 8:05:09", text}}));
      break;
  }
}

// What the reader makes of the file: the text written, when it survived.
QString readText(Kind kind, const QString& file) {
  switch (kind) {
    case Kind::Settings:
      return IniFile(file).ReadString("Form", "RelA", "<missing>");
    case Kind::PhoneBook:
      return ReadPhoneBookFile(file).value(1).chopped(2);
    case Kind::Sms:
      return ReadSmsFile(file).value_or(QStringList(2)).at(1);
    case Kind::Admissions:
      return FileCharset::System().Decode(readBytes(file)).mid(15).chopped(2);
  }
  return {};
}

// The one line of a foreign file that holds text, and how the program reads it.
QByteArray foreignFile(Kind kind, const QByteArray& text) {
  switch (kind) {
    case Kind::Settings:
      return "; kept\r\n[Form]\r\nRelA=" + text + "\r\n";
    case Kind::PhoneBook:
      return "ADMIN1=1\r\n" + text + "=2\r\n";
    default:
      return "+1\r\n" + text + "\r\n";
  }
}

const char* const KindNames[] = {"settings", "phb", "sms", "csv"};

}  // namespace

class TestTextFiles : public QObject {
  Q_OBJECT

 private slots:
  void smsLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");  // empty: nothing read
    QByteArray thirteen;
    for (int i = 1; i <= 13; ++i) thirteen += QByteArray::number(i) + "\r\n";
    QStringList twelve;
    for (int i = 1; i <= 12; ++i) twelve << QString::number(i);
    auto padded = [](QStringList l) { return l << QStringList(12 - l.size(), QString()); };
    QTest::newRow("lines after the twelfth ignored") << thirteen << twelve;
    QTest::newRow("few lines, every kind of cr")
        << QByteArray("+4201\r\nDoor open\nA\rB\r\r\n\n\xE9\xA0")
        << padded({"+4201", "Door open", "AB", "", QString::fromLatin1("\xE9\xA0")});
    QTest::newRow("26 ends the file") << QByteArray(
                                             "a\r\nb\x1a"
                                             "c\r\n")
                                      << padded({"a", "b"});
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("26 first") << QByteArray("\x1a+9\r\n") << QStringList();
    // A zero byte ends the text, as in a .phb: the zeros are no field (a save of it would be
    // refused as binary data).
    QTest::newRow("zero padding") << QByteArray("+420123\r\nDoor open\r\n\0\0", 22)
                                  << padded({"+420123", "Door open"});
    QTest::newRow("zero first") << QByteArray("\0\0", 2) << QStringList();
    // A line past the limit is cut where a character ends, not in one: the rest stays UTF-8.
    const QString euro(50000, QChar(0x20AC));
    QTest::newRow("cut at the limit")
        << QByteArray("+1\r\n") + euro.toUtf8() + "\r\n\xC5\x98"
        << padded({"+1", euro.left(MaxSmsLineLength), QStringLiteral("\u0158")});
    const QString pair = QString(MaxSmsLineLength - 1, u'a') + QStringLiteral("\U0001F600");
    QTest::newRow("no half character")
        << pair.toUtf8() << padded({pair.left(MaxSmsLineLength - 1)});
  }
  void smsLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    const LocaleScope scope("C.UTF-8");
    QTemporaryDir dir;
    writeBytes(dir.filePath("a.sms"), bytes);
    QCOMPARE(ReadSmsFile(dir.filePath("a.sms")).value_or(QStringList()), fields);
  }

  void failures() {
    QTemporaryDir dir;
    const QString noFolder = dir.filePath("none/x.sms");
    const QStringList empty(12, QString());
    QCOMPARE(messageOf<EFileIOError>([&] { ReadSmsFile(dir.filePath("x.sms")); }),
             "File not found");
    QCOMPARE(messageOf<EFileIOError>([&] { ReadSmsFile(noFolder); }), "Invalid filename");
    QCOMPARE(messageOf<EFileIOError>([&] { WriteSmsFile(noFolder, empty); }), "Invalid filename");
    QCOMPARE(messageOf<EFileIOError>([&] { WriteSmsFile(dir.path(), empty); }),
             "File access denied");
    // Nothing near a phone book's size is read whole; a device tells no size.
    QCOMPARE(messageOf<EFOpenError>([&] { ReadWholeFile("/dev/zero", MaxPhoneBookFileSize); }),
             "Cannot open file \"/dev/zero\". File too large");
    // A line break inside a row would come back as two rows: nothing is written.
    const QString book = dir.filePath("b.phb");
    QCOMPARE(messageOf<EFCreateError>([&] {
               WritePhoneBookFile(book, {"A=1", "B=\tx\nC=3"});
             }),
             "Cannot create file \"" + book + "\". Line 2 holds a line break.");
    QVERIFY(!QFile::exists(book));
  }

  // Under a UTF-8 locale every text comes back; in an 8-bit set what it holds comes back, and
  // what it cannot hold fails the save by name and leaves the old file as it was.
  void textInEveryKind_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");  // empty: the save fails
    const QString brana = QStringLiteral("Br\u00E1na \u010D.1");
    for (int k = 0; k < 4; ++k) {
      for (const QString& text : {brana, QStringLiteral("Na\u010D\u00EDst SIM"),
                                  QStringLiteral("JI\u0158I"), QStringLiteral("\u03A9")})
        QTest::addRow("%s, UTF-8, %s", KindNames[k], qPrintable(text))
            << k << QByteArray("C.UTF-8") << text << text.toUtf8();
      QTest::addRow("%s, ISO-8859-2", KindNames[k])
          << k << QByteArray("cs_CZ.ISO-8859-2") << brana << QByteArray("Br\xE1na \xE8.1");
      QTest::addRow("%s, C locale", KindNames[k])
          << k << QByteArray("C") << QStringLiteral("Z\u00E1mek") << QByteArray("Z\xE1mek");
      QTest::addRow("%s, C locale, not in it", KindNames[k])
          << k << QByteArray("C") << brana << QByteArray();
    }
  }
  void textInEveryKind() {
    QFETCH(int, kind);
    QFETCH(QByteArray, locale);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const LocaleScope scope(locale);
    QTemporaryDir dir;
    const QString file = dir.filePath("f");
    const QByteArray old = foreignFile(Kind(kind), "old");
    writeBytes(file, old);
    QString error;
    try {
      writeText(Kind(kind), file, text);
    } catch (const Exception& e) {
      error = e.Message;
    }
    if (bytes.isEmpty()) {
      QVERIFY2(error.contains(text) &&
                   error.endsWith(QStringLiteral("\" cannot be written in ISO-8859-1, which has no "
                                                 "\"\u010D\" (U+010D)")),
               qPrintable(error));
      QVERIFY2(
          error.startsWith(kind == int(Kind::Settings) ? "Unable to write to " + file + ". "
                                                       : "Cannot create file \"" + file + "\". "),
          qPrintable(error));
      QCOMPARE(readBytes(file), old);
      return;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(readBytes(file).contains(bytes));
    QCOMPARE(readText(Kind(kind), file), text);
  }

  // Files from another system (not valid UTF-8) load byte for byte; a settings file keeps its
  // set when written back. A byte order mark is no part of the text.
  void foreignFilesLoad_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    for (int k = 0; k < 3; ++k) {
      QTest::addRow("%s, Latin-1", KindNames[k])
          << k << QByteArray("C.UTF-8") << QByteArray("Z\xE1mek \xFC\xDF")
          << QString::fromLatin1("Z\xE1mek \xFC\xDF");
      QTest::addRow("%s, Windows-1250", KindNames[k])
          << k << QByteArray("C.UTF-8") << QByteArray("Br\xE1na \xE8.1 \x9A\x9E\x8A")
          << QString::fromLatin1("Br\xE1na \xE8.1 \x9A\x9E\x8A");
      // A byte order mark means UTF-8 on every system.
      for (const char* locale : {"C.UTF-8", "cs_CZ.ISO-8859-2", "C"})
        QTest::addRow("%s, UTF-8 with a byte order mark, %s", KindNames[k], locale)
            << k << QByteArray(locale) << QByteArray("\xEF\xBB\xBF") << QString();
    }
  }
  void foreignFilesLoad() {
    QFETCH(int, kind);
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const LocaleScope scope(locale);
    QTemporaryDir dir;
    const QString file = dir.filePath("f");
    const bool bom = text.isEmpty();
    const QString brana = QStringLiteral("Br\u00E1na \u010D.1");
    const QByteArray content =
        bom ? bytes + foreignFile(Kind(kind), brana.toUtf8()) : foreignFile(Kind(kind), bytes);
    writeBytes(file, content);
    switch (Kind(kind)) {
      case Kind::Settings: {
        IniFile ini(file);
        QCOMPARE(ini.Charset().Name(), bom ? "UTF-8" : "ISO-8859-1");
        QCOMPARE(ini.ReadString("form", "RelA", ""), bom ? brana : text);
        ini.WriteString("Form", "RelA", ini.ReadString("Form", "RelA", ""));
        ini.WriteInteger("Form", "Top", 1);
        ini.UpdateFile();
        QCOMPARE(readBytes(file), content + "Top=1\r\n");
        break;
      }
      case Kind::PhoneBook:
        QCOMPARE(ReadPhoneBookFile(file).value(bom ? 0 : 1),
                 bom ? QStringLiteral("ADMIN1=1") : text + "=2");
        break;
      default:
        QCOMPARE(ReadSmsFile(file)->mid(0, 2), QStringList({"+1", bom ? brana : text}));
        break;
    }
  }

  // A disk that fills up part-way is reported, and the good file stays as it was.
  void failedSaveKeepsTheOldFile() {
    QTemporaryDir dir;
    const QString book = dir.filePath("book.phb");
    const QString sms = dir.filePath("set.sms");
    const QString day = dir.filePath("day.csv");
    writeBytes(book, "A=1\r\n");
    writeBytes(sms, "+1\r\n");
    writeBytes(day, "1;A\r\n");
    const QStringList lines(1000, QStringLiteral("ADMIN1=+420603123456"));
    QString bookError, smsError, dayError;
    {
      const FileSizeLimit full(100);
      bookError = messageOf<EFCreateError>([&] { WritePhoneBookFile(book, lines); });
      smsError = messageOf<EFileIOError>([&] { WriteSmsFile(sms, lines.mid(0, 12)); });
      dayError = messageOf<EFileIOError>([&] {
        AdmissionSink().Append(
            day, AdmissionFileBytes(day, QList<AdmissionRow>(100, {"2/1/24 8:00:00 AM", "B"})));
      });
    }
    QCOMPARE(bookError, "Cannot create file \"" + book + "\". File too large");
    QCOMPARE(smsError, "Disk full");
    QCOMPARE(dayError, "Disk full");
    QCOMPARE(readBytes(book), "A=1\r\n");
    QCOMPARE(readBytes(sms), "+1\r\n");
    QCOMPARE(readBytes(day), "1;A\r\n");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QStringList({"book.phb", "day.csv", "set.sms"}));
  }

  // A daily file whose name is taken gets the rows after its own; a last line without its
  // end (edited by hand) is ended first.
  void admissionFilesAreAddedTo() {
    QTemporaryDir dir;
    const QString day = dir.filePath("day.csv");
    AdmissionSink sink;
    auto append = [&](const QString& file, const QList<AdmissionRow>& rows) {
      sink.Append(file, AdmissionFileBytes(file, rows));
    };
    append(day, {{"1", "A"}});
    QCOMPARE(readBytes(day), "1;A\r\n");
    append(day, {{"2", "B"}});
    QCOMPARE(readBytes(day), "1;A\r\n2;B\r\n");
    writeBytes(day, "0;by hand");
    append(day, {{"1", "A"}, {"2", "B"}});
    QCOMPARE(readBytes(day), "0;by hand\r\n1;A\r\n2;B\r\n");
    QCOMPARE(messageOf<EFileIOError>([&] {
               append(dir.path(), {{"1", "A"}});
             }),
             "File access denied");
  }

  // The logger's daily files, named by the ISO date in every locale: a record that cannot be
  // written waits and goes out once, in order, with the next write that works; a write cut
  // short leaves nothing of itself; a text the set cannot hold goes in UTF-8, said.
  void dailyRecordsWaitAndGoOut() {
    const LocaleScope scope("de_DE.UTF-8");
    QTemporaryDir dir;
    const QString logs = dir.filePath("logs");
    DailyRecords records(logs, "adm", FileCharset::Latin1());
    const QDate d1(2024, 2, 29), d2(2024, 3, 1);
    const QString f1 = records.FileOf(d1), f2 = records.FileOf(d2);
    QCOMPARE(f1, logs + "/adm2024-02-29.csv");

    // No folder: both wait.
    QCOMPARE(records.Add("29.02.24 23:59:59=A  (phone: 1)  /X", d1), QString());
    QCOMPARE(messageOf<EAdmissionFileError>([&] { records.Write(); }), "Invalid filename");
    records.Add("01.03.24 00:00:01=B  (phone: 2)  /X", d2);
    QVERIFY(messageOf<EAdmissionFileError>([&] { records.Write(); }) != "<no error>");
    QCOMPARE(records.WaitingLines(),
             QStringList({"adm2024-02-29.csv 29.02.24 23:59:59;A  (phone: 1)  /X",
                          "adm2024-03-01.csv 01.03.24 00:00:01;B  (phone: 2)  /X"}));
    QVERIFY(QDir().mkpath(logs));
    QCOMPARE(records.Write(), 2);
    QCOMPARE(readBytes(f1), "29.02.24 23:59:59;A  (phone: 1)  /X\r\n");
    QCOMPARE(readBytes(f2), "01.03.24 00:00:01;B  (phone: 2)  /X\r\n");

    // A full disk in the middle of a line: nothing of it stays; written once when there is room.
    writeBytes(f2, "01.03.24 00:00:00;torn");
    records.Add("01.03.24 00:00:02=C  (phone: 3)  /X", d2);
    QString full;
    {
      const FileSizeLimit limit(40);
      full = messageOf<EAdmissionFileError>([&] { records.Write(); });
    }
    QCOMPARE(full, "Disk full");
    QCOMPARE(readBytes(f2), "01.03.24 00:00:00;torn\r\n");
    records.Write();
    QCOMPARE(readBytes(f2), "01.03.24 00:00:00;torn\r\n01.03.24 00:00:02;C  (phone: 3)  /X\r\n");

    const QString note = records.Add("01.03.24 00:00:03=D  (phone: 4)  /Br\u00e1na \u010c", d2);
    QVERIFY2(note.contains("UTF-8"), qPrintable(note));
    records.Write();
    QVERIFY(readBytes(f2).endsWith("/Br\xc3\xa1na \xc4\x8c\r\n"));

    // A spool file the start cannot read is not replaced at the stop: its records are nowhere
    // else.
    DailyRecords later(logs, "adm", FileCharset::Latin1());
    QVERIFY(QDir().mkpath(later.SpoolFile()));
    QVERIFY(messageOf<EFileError>([&] { later.TakeSpool(); }) != "<no error>");
    QVERIFY(messageOf<EAdmissionFileError>([&] { later.Spill(); }) != "<no error>");
    QVERIFY(QFileInfo(later.SpoolFile()).isDir());
  }

  // Each file call failing once, and from then on, at the first record of a day (which makes
  // the file) and at later ones: through the logger's queue with its stop and next start, the
  // window's daily file (the log's rows again, with the next call's), and the manual save. A
  // write that returns has put every record on the disk and synced the folder of a file it
  // made; one that does not says so. No line is torn, none is there twice, and a record in no
  // file is told or still in the log.
  void faultTable_data() {
    QTest::addColumn<int>("face");
    QTest::addColumn<int>("call");
    QTest::addColumn<bool>("always");
    QTest::addColumn<int>("strike");
    const char* const faces[] = {"logger", "window", "save"};
    using C = FaultyFileCalls::Call;
    const QList<QPair<C, const char*>> calls = {
        {C::Open, "open"},   {C::Write, "write"},   {C::Sync, "sync"},
        {C::Close, "close"}, {C::Rename, "rename"}, {C::SyncFolder, "folder sync"}};
    for (int face = 0; face < 3; ++face)
      for (const auto& [call, name] : calls)
        for (const bool always : {false, true})
          for (int strike = 1; strike <= (face == 2 ? 1 : 3); ++strike)
            if (face == 2 || call != C::Rename)
              QTest::addRow("%s, %s fails %s, record %d", faces[face], name,
                            always ? "always" : "once", strike)
                  << face << int(call) << always << strike;
  }
  void faultTable() {
    QFETCH(int, face);
    QFETCH(int, call);
    QFETCH(bool, always);
    QFETCH(int, strike);
    QTemporaryDir dir;
    FaultyFileCalls faulty;
    const auto kind = FaultyFileCalls::Call(call);
    const int code = kind == FaultyFileCalls::Call::Write ? ENOSPC : EIO;
    // The file's lines; none may be torn.
    auto linesOf = [](const QString& file) {
      const QByteArray bytes = QFile::exists(file) ? readBytes(file) : QByteArray();
      [&] { QVERIFY2(bytes.isEmpty() || bytes.endsWith("\r\n"), bytes.constData()); }();
      QStringList lines = QString::fromLatin1(bytes).split("\r\n");
      lines.removeLast();
      return lines;
    };
    AdmissionSink sink(&faulty);
    if (face == 2) {
      const QString file = dir.filePath("saved.csv");
      writeBytes(file, "old\r\n");
      faulty.arm(kind, always, code);
      QCOMPARE(messageOf<EAdmissionFileError>([&] { sink.Replace(file, "new\r\n"); }),
               InOutErrorText(code));
      // Renamed into place, only its folder not synced: said, though the new one is there.
      QCOMPARE(readBytes(file), kind == FaultyFileCalls::Call::SyncFolder ? "new\r\n" : "old\r\n");
      QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"saved.csv"});
      faulty.disarm();
      sink.Replace(file, "again\r\n");
      QCOMPARE(readBytes(file), "again\r\n");
      QVERIFY(faulty.unsynced.isEmpty());
      return;
    }

    const QDate day(2026, 12, 9);
    std::optional<DailyRecords> logger;
    if (face == 0) logger.emplace(dir.path(), "adm", FileCharset::Latin1(), &faulty);
    const QString file = face == 0 ? logger->FileOf(day) : dir.filePath("adm8.12.26.csv");
    QStringList csv;
    QList<AdmissionRow> log;  // the window's rows in no file yet
    for (int k = 0; k < 3; ++k) {
      const AdmissionRow row{QStringLiteral("9.12.26 08:00:0%1").arg(k), "C  (phone: 1)  /X"};
      csv << row.first + ';' + row.second;
      if (k + 1 == strike) faulty.arm(kind, always, code);
      const int before = faulty.struck;
      bool told = false;
      try {
        if (logger) {
          logger->Add(row.first + '=' + row.second, day);
          logger->Write();
        } else {
          log << row;
          sink.Append(file, AdmissionFileBytes(file, log));
          log.clear();
        }
      } catch (const EAdmissionFileError& e) {
        told = true;
        QCOMPARE(e.FileName, file);
        QCOMPARE(e.Code, code);
      }
      QCOMPARE(told, faulty.struck > before);
      const QStringList in = linesOf(file);
      QCOMPARE(in, csv.mid(0, in.size()));
      if (!told) {
        QCOMPARE(in, csv);
        QVERIFY(faulty.unsynced.isEmpty());
      }
    }
    if (!always) {
      if (logger) logger->Write();
      if (!log.isEmpty()) sink.Append(file, AdmissionFileBytes(file, log));
      QCOMPARE(linesOf(file), csv);
      QVERIFY(faulty.unsynced.isEmpty());
      return;
    }
    const QStringList written = linesOf(file);
    if (!logger) {
      // The window's end puts its log elsewhere: nothing of it stays where the write failed.
      faulty.disarm();
      const QString kept = dir.filePath("zulset-unsaved.csv");
      sink.Append(kept, AdmissionFileBytes(kept, log));
      QCOMPARE(linesOf(file) + linesOf(kept), csv);
      return;
    }
    // The stop: what waits is told in full, and kept for the next start where the disk lets.
    QStringList told = logger->WaitingLines();
    for (QString& line : told) line = line.section(' ', 1);
    QCOMPARE(told, csv.mid(csv.size() - told.size()));
    QVERIFY(written.size() + told.size() >= csv.size());
    try {
      logger->Spill();
    } catch (const EAdmissionFileError&) {
    }
    faulty.disarm();
    const bool kept = QFile::exists(logger->SpoolFile());
    DailyRecords next(dir.path(), "adm", FileCharset::Latin1(), &faulty);
    QCOMPARE(next.TakeSpool(), kept ? told.size() : 0);
    next.Write();
    QCOMPARE(linesOf(file), kept ? csv : written);
    QVERIFY(!QFile::exists(next.SpoolFile()));
    // Nothing written, nothing reported written: a file the first made waits for its next record.
    QVERIFY(faulty.unsynced.isEmpty() || !kept);
  }
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_textfiles.moc"
