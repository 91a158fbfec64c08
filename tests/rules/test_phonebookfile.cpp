// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTemporaryDir>
#include <QtTest>

#include "files/PhoneBookFile.h"
#include "files/PhoneBookSheet.h"
#include "files/TextFiles.h"
#include "platform/Errors.h"

class TestPhoneBookFile : public QObject {
  Q_OBJECT

 private slots:
  void lineEnds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    const QStringList abc{"A=1", "B=2", "C=3"};
    QTest::newRow("crlf") << QByteArray("A=1\r\nB=2\r\nC=3\r\n") << abc;
    QTest::newRow("lf only") << QByteArray("A=1\nB=2\nC=3\n") << abc;
    QTest::newRow("cr only") << QByteArray("A=1\rB=2\rC=3\r") << abc;
    QTest::newRow("last line without end") << QByteArray("A=1\r\nB=2\nC=3") << abc;
    QTest::newRow("empty lines count")
        << QByteArray("A=1\r\n\r\nB=2\n\n") << QStringList{"A=1", "", "B=2", ""};
    QTest::newRow("lf cr is two ends") << QByteArray("A=1\n\rB=2") << QStringList{"A=1", "", "B=2"};
    QTest::newRow("zero byte ends the text")
        << QByteArray("A=1\r\nB=2\0C=3\r\n", 15) << QStringList{"A=1", "B=2"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("no equals sign") << QByteArray("just text\r\n") << QStringList{"just text"};
  }
  void lineEnds() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(SplitTextLines(bytes, FileCharset::Latin1()), lines);
  }

  // Zero bytes only at the end are padding; with text after them the file is not text.
  void binaryData_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("binary");
    QTest::newRow("text") << QByteArray("A=1\r\n") << false;
    QTest::newRow("zero padding") << QByteArray("A=1\r\n\0\0\0", 8) << false;
    QTest::newRow("only zeros") << QByteArray(4, '\0') << false;
    QTest::newRow("text after a zero") << QByteArray("A=1\0B=2", 7) << true;
    QTest::newRow("UTF-16 export") << QByteArray(
                                          "\xFF\xFE"
                                          "A\0=\0"
                                          "1\0",
                                          8)
                                   << true;
    QTest::newRow("image") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) << true;
  }
  void binaryData() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, binary);
    QCOMPARE(HoldsBinaryData(bytes), binary);
  }

  // Every character survives a save and a load.
  void roundTripKeepsEveryCharacter() {
    QTemporaryDir dir;
    QString high;
    for (int c = 0x20; c < 0x100; ++c) high += QChar(c);
    const QStringList book{"ADMIN1=+420603123456",
                           "",
                           "=",
                           "N=" + high,
                           QStringLiteral("\u0158\u03A9=\U0001D11E"),
                           "RTIME=05"};
    const QString name = dir.filePath("book.phb");
    WritePhoneBookFile(name, book, FileCharset::Utf8());
    QFile f(name);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.endsWith("RTIME=05\r\n"));
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(ReadPhoneBookFile(name, FileCharset::Utf8()), book);
  }

  // A UTF-8 mark decides the set on an 8-bit system as well, for a spreadsheet as for a .phb.
  void utf8MarkedSpreadsheet() {
    QTemporaryDir dir;
    const QByteArray bytes =
        "\xEF\xBB\xBFName,Phone\r\n\xC5\x98"
        "EHO\xC5\x98,+420\r\n";
    QFile f(dir.filePath("m.csv"));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    f.close();
    QCOMPARE(ReadPhoneBookCsv(dir.filePath("m.csv"), FileCharset::Latin1()).lines,
             QStringList{QStringLiteral("\u0158EHO\u0158=+420")});
    QCOMPARE(SplitTextLines(bytes, FileCharset::Latin1()).value(1),
             QStringLiteral("\u0158EHO\u0158,+420"));
  }

  void emptyBookGivesEmptyFile() {
    QTemporaryDir dir;
    WritePhoneBookFile(dir.filePath("e.phb"), {});
    QCOMPARE(QFileInfo(dir.filePath("e.phb")).size(), 0);
  }

  void failuresNameTheFile() {
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.phb");
    try {
      ReadPhoneBookFile(missing);
      QFAIL("no error");
    } catch (const EFOpenError& e) {
      QVERIFY(e.Message.startsWith("Cannot open file \"" + missing + "\". "));
    }
    const QString inNoFolder = dir.filePath("no/such/folder.phb");
    try {
      WritePhoneBookFile(inNoFolder, {"A=1"});
      QFAIL("no error");
    } catch (const EFCreateError& e) {
      QVERIFY(e.Message.startsWith("Cannot create file \"" + inNoFolder + "\". "));
    }
  }
};

QTEST_GUILESS_MAIN(TestPhoneBookFile)
#include "test_phonebookfile.moc"
