#include <sys/resource.h>

#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "files/PhoneBookFile.h"
#include "files/TextFiles.h"
#include "platform/Errors.h"

namespace {

QByteArray readBytes(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(bytes), bytes.size());
}

QStringList twelve(QStringList lines) {
  while (lines.size() < 12) lines << QString();
  return lines;
}

// Files may grow to `bytes` while it lives: writing past it fails as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lower = old_;
    lower.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_;
};

template <typename E>
QString messageOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const E& e) {
    return e.Message;
  }
  return QStringLiteral("<no error>");
}

}  // namespace

class TestTextFiles : public QObject {
  Q_OBJECT

 private slots:
  void smsLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");
    QStringList full;
    QByteArray fullBytes;
    for (int i = 1; i <= 12; ++i) {
      full << QString::number(i);
      fullBytes += QByteArray::number(i) + "\r\n";
    }
    QTest::newRow("twelve lines, the rest ignored") << fullBytes + "13\r\n14" << full;
    QTest::newRow("five lines empty the rest")
        << QByteArray("+4201\r\nDoor open\r\n+4202\r\nAlarm\r\n+4203\r\n")
        << twelve({"+4201", "Door open", "+4202", "Alarm", "+4203"});
    QTest::newRow("lf only, last line without end")
        << QByteArray("a\nb\nc") << twelve({"a", "b", "c"});
    QTest::newRow("a lone cr is dropped") << QByteArray("a\rb\r\r\nc\r") << twelve({"ab", "c"});
    QTest::newRow("cr alone counts as no line") << QByteArray("\r\r") << twelve({});
    QTest::newRow("26 ends the file") << QByteArray(
                                             "a\r\nb\x1a"
                                             "c\r\nd\r\n")
                                      << twelve({"a", "b"});
    QTest::newRow("empty lines kept") << QByteArray("\r\n\r\nx\r\n") << twelve({"", "", "x"});
    QTest::newRow("bytes above 127 survive")
        << QByteArray("\xE9\xA0\xFF\n") << twelve({QString::fromLatin1("\xE9\xA0\xFF")});
  }
  void smsLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    QTemporaryDir dir;
    const QString name = dir.filePath("a.sms");
    writeBytes(name, bytes);
    const std::optional<QStringList> read = ReadSmsFile(name);
    QVERIFY(read.has_value());
    QCOMPARE(*read, fields);
  }

  // Such files change no field at all, not even to empty.
  void smsFileWithoutContent() {
    QTemporaryDir dir;
    for (const QByteArray& bytes : {QByteArray(), QByteArray("\x1a"
                                                             "a\r\nb\r\n")}) {
      writeBytes(dir.filePath("e.sms"), bytes);
      QVERIFY(!ReadSmsFile(dir.filePath("e.sms")).has_value());
    }
  }

  // A line without an end must not grow without bound; an edit holds no more anyway.
  void longSmsLineKeepsItsStart() {
    QTemporaryDir dir;
    const QByteArray huge(3 * MaxSmsLineLength, 'x');
    writeBytes(dir.filePath("l.sms"), huge + "\r\n+42\r\n");
    const QStringList read = *ReadSmsFile(dir.filePath("l.sms"));
    QCOMPARE(read[0].size(), MaxSmsLineLength);
    QCOMPARE(read[1], "+42");
  }

  void smsSave() {
    QTemporaryDir dir;
    const QString name = dir.filePath("s.sms");
    WriteSmsFile(name, twelve({}));
    QCOMPARE(readBytes(name), QByteArray("\r\n").repeated(12));
    const QStringList fields = twelve({"+420", QString::fromLatin1("caf\xE9"), "", "x"});
    WriteSmsFile(name, fields);
    QCOMPARE(*ReadSmsFile(name), fields);
  }

  void inOutTexts() {
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.sms");
    const QString noFolder = dir.filePath("none/x.sms");
    QCOMPARE(messageOf<EFileIOError>([&] { ReadSmsFile(missing); }), "File not found");
    QCOMPARE(messageOf<EFileIOError>([&] { ReadSmsFile(noFolder); }), "Invalid filename");
    QCOMPARE(messageOf<EFileIOError>([&] { WriteSmsFile(noFolder, twelve({})); }),
             "Invalid filename");
    QCOMPARE(messageOf<EFileIOError>([&] { ReadSmsFile(dir.path()); }), "File access denied");
    QCOMPARE(messageOf<EFileIOError>([&] { WriteSmsFile(dir.path(), twelve({})); }),
             "File access denied");
    QCOMPARE(InOutErrorText(EMFILE), "Too many open files");
    QCOMPARE(InOutErrorText(EIO), "I/O error 5");
  }

  // A file far bigger than a phone book is refused instead of holding up the window; the
  // limit itself still loads.
  void phoneBookSizeLimit() {
    QTemporaryDir dir;
    const QString name = dir.filePath("big.phb");
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QVERIFY(f.resize(MaxPhoneBookFileSize));
    f.close();
    QCOMPARE(ReadWholeFile(name, MaxPhoneBookFileSize).size(), MaxPhoneBookFileSize);
    QVERIFY(f.open(QIODevice::Append));
    QCOMPARE(f.write("A"), 1);
    f.close();
    QCOMPARE(messageOf<EFOpenError>([&] { ReadWholeFile(name, MaxPhoneBookFileSize); }),
             "Cannot open file \"" + name + "\". File too large");
    // A device tells no size.
    QCOMPARE(messageOf<EFOpenError>([&] { ReadWholeFile("/dev/zero", 100000); }),
             "Cannot open file \"/dev/zero\". File too large");
  }

  // A disk that fills up part-way is reported, and the good file stays as it was.
  void failedSaveKeepsTheOldFile() {
    QTemporaryDir dir;
    const QString book = dir.filePath("book.phb");
    const QString sms = dir.filePath("set.sms");
    writeBytes(book, "A=1\r\n");
    writeBytes(sms, "+1\r\n");
    const QStringList bigBook(1000, QStringLiteral("ADMIN1=+420603123456"));
    {
      FileSizeLimit limit(100);
      QCOMPARE(messageOf<EFCreateError>([&] { WritePhoneBookFile(book, bigBook); }),
               "Cannot create file \"" + book + "\". File too large");
      QCOMPARE(messageOf<EFileIOError>([&] { WriteSmsFile(sms, bigBook.mid(0, 12)); }),
               "Disk full");
    }
    QCOMPARE(readBytes(book), "A=1\r\n");
    QCOMPARE(readBytes(sms), "+1\r\n");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"book.phb", "set.sms"}));
  }
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_textfiles.moc"
