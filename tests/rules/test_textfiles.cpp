#include <sys/resource.h>

#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "files/PhoneBookFile.h"
#include "files/TextFiles.h"
#include "platform/Errors.h"
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
  }
  void smsLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
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
  }

  // A disk that fills up part-way is reported, and the good file stays as it was.
  void failedSaveKeepsTheOldFile() {
    QTemporaryDir dir;
    const QString book = dir.filePath("book.phb");
    const QString sms = dir.filePath("set.sms");
    writeBytes(book, "A=1\r\n");
    writeBytes(sms, "+1\r\n");
    const QStringList lines(1000, QStringLiteral("ADMIN1=+420603123456"));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    const QString bookError = messageOf<EFCreateError>([&] { WritePhoneBookFile(book, lines); });
    const QString smsError = messageOf<EFileIOError>([&] { WriteSmsFile(sms, lines.mid(0, 12)); });
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(bookError, "Cannot create file \"" + book + "\". File too large");
    QCOMPARE(smsError, "Disk full");
    QCOMPARE(readBytes(book), "A=1\r\n");
    QCOMPARE(readBytes(sms), "+1\r\n");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"book.phb", "set.sms"}));
  }
};

QTEST_GUILESS_MAIN(TestTextFiles)
#include "test_textfiles.moc"
