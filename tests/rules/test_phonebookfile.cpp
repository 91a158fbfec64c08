// SPDX-License-Identifier: GPL-3.0-or-later
#include <QTemporaryDir>
#include <QtTest>

#include "files/PhoneBookFile.h"
#include "files/PhoneBookSheet.h"
#include "files/PhoneBookVCard.h"
#include "files/TextFiles.h"
#include "platform/Errors.h"
#include "settings/MessageTexts.h"
#include "support/FileBytes.h"

namespace {

QByteArray crlf(const QList<QByteArray>& lines) {
  QByteArray bytes;
  for (const QByteArray& l : lines) bytes += l + "\r\n";
  return bytes;
}

}  // namespace

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

  // Contacts as phones and servers write them (%1: the file): the rows, and the one message
  // that names what was changed or left out, or why nothing was loaded.
  void contacts_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("told");
    const QString loaded =
        "Rows loaded from \"%1\": %2.\n\nThese were given names the unit can hold ";
    const QString notLoaded = "\"%1\" was not loaded: ";
    // vCard 2.1 from a phone: quoted-printable UTF-8 with a soft line break, bare types, a
    // photo whose lines go on indented and end with an empty line.
    QTest::newRow("2.1, quoted-printable")
        << crlf(
               {"BEGIN:VCARD", "VERSION:2.1",
                "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Dvo=C5=99=C3=A1k;Anton=C3=ADn;;;",
                "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Anton=C3=ADn=20Dvo=C5=99=C3=A1k=20=E2=",
                "=80=93=20br=C3=A1na", "TEL;CELL;PREF:+420 603 111 222", "TEL;HOME:(233) 111-222",
                "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQ", " AAAQABAAD", "", "END:VCARD",
                "BEGIN:VCARD", "VERSION:2.1", "N;CHARSET=UTF-8;QUOTED-PRINTABLE:Kr=C3=A1l;Petr;;;",
                "TEL;VOICE;CELL:603.111.444", "END:VCARD"})
        << QStringList{"ANTONMOB=+420603111222", "ANTOHOME=233111222", "PETRKRAL=603111444"}
        << loaded.arg("%1", "3") +
               "(3):\nAntonín Dvořák – brána (+420 603 111 222) as ANTONMOB\nAntonín Dvořák – "
               "brána ((233) 111-222) as ANTOHOME\nPetr Král (603.111.444) as PETRKRAL";
    // 3.0 as a phone exports it: folded, escaped, numbers in groups with their labels and
    // direction marks around them, the same number twice.
    QTest::newRow("3.0, folded and escaped")
        << crlf({"BEGIN:VCARD", "VERSION:3.0", "PRODID:-//Apple Inc.//iPhone OS 17.4//EN",
                 "N:Svobodová;Eva;;;", "FN:Eva Svo", " bodová", "ORG:Brána\\, s.r.o.;",
                 "item1.TEL;type=CELL;type=VOICE;type=pref:\u202A+420 777 111 222\u202C",
                 "item2.TEL;type=HOME;type=VOICE:+420 777 111 222", "item3.TEL:*101#",
                 "item3.X-ABLabel:kredit", "NOTE:Gate\\: 12\\nBEGIN:VCARD", "END:VCARD",
                 "BEGIN:VCARD", "VERSION:3.0", "FN:Novák\\, Jan\\; ml.", "N:Novák;Jan;;;",
                 "TEL;TYPE=CELL:+420 603 555 666", "END:VCARD"})
        << QStringList{"EVASVMOB=+420777111222", "EVASKRED=*101#", "NOVAKJAN=+420603555666"}
        << loaded.arg("%1", "3") +
               "(3):\nEva Svobodová (+420 777 111 222) as EVASVMOB\nEva Svobodová (*101#) as "
               "EVASKRED\nNovák, Jan; ml. (+420 603 555 666) as NOVAKJAN";
    // RFC 6350's own example: tel: URIs with an extension, quoted type lists.
    QTest::newRow("4.0, tel: URIs")
        << crlf({"BEGIN:VCARD", "VERSION:4.0", "FN:Simon Perreault",
                 "N:Perreault;Simon;;;ing. jr,M.Sc.",
                 "TEL;VALUE=uri;TYPE=\"work,voice\";PREF=1:tel:+1-418-656-9254;ext=102",
                 "TEL;VALUE=uri;TYPE=\"work,cell,voice,video,text\":tel:+1-418-262-6501",
                 "EMAIL;TYPE=work:simon.perreault@viagenie.ca", "END:VCARD"})
        << QStringList{"SIMOWORK=+14186569254", "SIMONMOB=+14182626501"}
        << loaded.arg("%1", "2") +
               "(2):\nSimon Perreault (tel:+1-418-656-9254;ext=102) as SIMOWORK\nSimon "
               "Perreault (tel:+1-418-262-6501) as SIMONMOB";
    // A contacts server's export: a custom label, a German "(0)", a name that is one of the
    // unit's, a contact with mail only, LF line ends.
    QTest::newRow("contacts server export")
        << QByteArray(
               "BEGIN:VCARD\nVERSION:3.0\nFN:Jana Nováková\nN:Nováková;Jana;;;\n"
               "TEL;TYPE=CELL:+49 (0)171 1234567\nitem1.TEL:0800 123 456\n"
               "item1.X-ABLabel:Brána\nCATEGORIES:myContacts\nEND:VCARD\n"
               "BEGIN:VCARD\nVERSION:3.0\nFN:Alarm 1\nN:;Alarm 1;;;\n"
               "TEL;TYPE=CELL:+420 603 999 000\nEND:VCARD\n"
               "BEGIN:VCARD\nVERSION:3.0\nFN:Jen Mail\nN:Mail;Jen;;;\n"
               "EMAIL;TYPE=INTERNET:jen@example.com\nEND:VCARD\n")
        << QStringList{"JANANMOB=+491711234567", "JANABRAN=0800123456", "ALARM1=+420603999000"}
        << loaded.arg("%1", "3") +
               "(3):\nJana Nováková (+49 (0)171 1234567) as JANANMOB\nJana Nováková (0800 123 "
               "456) as JANABRAN\nAlarm 1 (+420 603 999 000) as ALARM1, a name with a meaning of "
               "its own to the unit\n\nThese were left out (1):\nJen Mail: no phone number";
    // Letters of other scripts and languages, numbers the unit cannot hold, names it has.
    QTest::newRow("names and numbers")
        << crlf({"BEGIN:VCARD",
                 "VERSION:3.0",
                 "FN:Іван Щербак",
                 "TEL:+380 67 123 4567",
                 "END:VCARD",
                 "BEGIN:VCARD",
                 "VERSION:3.0",
                 "FN:Łukasz Straße",
                 "TEL:1",
                 "TEL:2",
                 "END:VCARD",
                 "BEGIN:VCARD",
                 "VERSION:3.0",
                 "FN:\U0001F600",
                 "TEL:+420 111",
                 "END:VCARD",
                 "BEGIN:VCARD",
                 "VERSION:3.0",
                 "FN:NOVAK",
                 "TEL:+420603111555",
                 "TEL:+420 603 111 222 333",
                 "TEL:1-800-FLOWERS",
                 "TEL;VALUE=uri:sip:gate@example.com",
                 "END:VCARD"})
        << QStringList{"IVANSHCH=+380671234567", "LUKASZS1=1", "LUKASZS2=2", "NOVAK=+420603111555"}
        << loaded.arg("%1", "4") +
               "(3):\nІван Щербак (+380 67 123 4567) as IVANSHCH\nŁukasz Straße (1) as "
               "LUKASZS1\nŁukasz Straße (2) as LUKASZS2\n\nThese were left out (4):\n"
               "\U0001F600 (+420 111): no letter or digit for a name\nNOVAK (+420 603 111 222 "
               "333): more than 13 characters\nNOVAK (1-800-FLOWERS): not a phone number the "
               "unit can hold\nNOVAK (sip:gate@example.com): not a phone number the unit can hold";
    QTest::newRow("2.1 in windows-1250")
        << crlf({"BEGIN:VCARD", "VERSION:2.1",
                 "FN;CHARSET=windows-1250;ENCODING=QUOTED-PRINTABLE:=8Akoda Auto", "TEL:112",
                 "END:VCARD"})
        << QStringList{"SKODAAUT=112"}
        << loaded.arg("%1", "1") + "(1):\nŠkoda Auto (112) as SKODAAUT";
    // Edited by hand: a line break or a zero would break the grid's lines apart.
    QTest::newRow("the program's own, edited")
        << crlf({"BEGIN:VCARD", "PRODID:-//ZUL set//ZUL set//EN", "FN:a\\nb",
                 "TEL;QUOTED-PRINTABLE:1=0D=0A2=003", "TEL:Jan Novák", "END:VCARD"})
        << QStringList{"a b=1 23", "a b=Jan Novák"} << "";
    QTest::newRow("names already the unit's")
        << crlf({"BEGIN:VCARD", "VERSION:3.0", "FN:ADMIN1", "N:ADMIN1;;;;",
                 "TEL;TYPE=CELL:+420 603 111 222", "END:VCARD"})
        << QStringList{"ADMIN1=+420603111222"} << "";

    const QStringList none;
    QTest::newRow("a spreadsheet") << QByteArray("Name;Phone\r\nNOVAK;123\r\n") << none
                                   << notLoaded +
                                          "line 1 is not part of a vCard between BEGIN:VCARD "
                                          "and END:VCARD.";
    QTest::newRow("END without BEGIN")
        << crlf({"BEGIN:VCARD", "FN:A", "TEL:1", "END:VCARD", "", "END:VCARD"}) << none
        << notLoaded + "line 6 is not part of a vCard between BEGIN:VCARD and END:VCARD.";
    QTest::newRow("BEGIN without END")
        << crlf({"BEGIN:VCARD", "FN:A", "TEL:1", "BEGIN:VCARD", "FN:B", "TEL:2", "END:VCARD"})
        << none << notLoaded + "the vCard that begins in line 1 has no END:VCARD.";
    QTest::newRow("an image") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) << none
                              << "Cannot open file \"%1\". Not a text file.";
    QTest::newRow("empty") << QByteArray() << none
                           << notLoaded +
                                  "it holds no contact with a name and a phone number the "
                                  "unit can hold.";
    QTest::newRow("nothing usable")
        << crlf({"BEGIN:VCARD", "VERSION:3.0", "FN:Jen Mail", "END:VCARD", "BEGIN:VCARD",
                 "VERSION:3.0", "FN:Fax", "TEL:+49 (89) 123-456-789-0", "END:VCARD"})
        << none
        << notLoaded +
               "it holds no contact with a name and a phone number the unit can hold.\n\n"
               "These were left out (2):\nJen Mail: no phone number\nFax (+49 (89) "
               "123-456-789-0): more than 13 characters.";
  }
  void contacts() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, rows);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString name = dir.filePath("f.vcf");
    writeBytes(name, bytes);
    QStringList got;
    QString report;
    try {
      got = ReadPhoneBookVcf(name, MessageTexts(), 13, &report, FileCharset::Utf8());
    } catch (const EFileError& e) {
      report = ErrorReportText(e.Message);
    }
    QCOMPARE(got, rows);
    QCOMPARE(report, QString(told).replace("%1", name));
  }

  // The program's own file comes back line for line, whatever the grid held; it is what phones
  // and servers take: 3.0, UTF-8, CRLF, lines folded at 75 octets, FN, N and TEL.
  void contactsRoundTrip() {
    QTemporaryDir dir;
    const QStringList book{"ADMIN1=+420777111222",
                           "RTIME=05",
                           "OUT=",
                           "=",
                           "",
                           "no equals",
                           "N;X=\"q\" 1,2\\n",
                           " SP = 00 ",
                           "A=1=2",
                           "JI\u0158\u00CD \U0001D11E=+420\u00A0777",
                           "L=" + QString(300, '9') + QString(40, QChar(0x0159))};
    const QString name = dir.filePath("book.vcf");
    WritePhoneBookVcf(name, book.mid(0, 2));
    QCOMPARE(readBytes(name),
             crlf({"BEGIN:VCARD", "VERSION:3.0", "PRODID:-//ZUL set//ZUL set//EN", "FN:ADMIN1",
                   "N:ADMIN1;;;;", "TEL;TYPE=CELL:+420777111222", "END:VCARD", "BEGIN:VCARD",
                   "VERSION:3.0", "PRODID:-//ZUL set//ZUL set//EN", "FN:RTIME", "N:RTIME;;;;",
                   "TEL;TYPE=CELL:05", "END:VCARD"}));
    WritePhoneBookVcf(name, book);
    const QByteArray bytes = readBytes(name);
    QVERIFY(!bytes.contains("\r\n\r\n") && !bytes.contains("\n\n") && bytes.endsWith("\r\n"));
    for (const QByteArray& line : bytes.split('\n'))
      QVERIFY2(line.size() <= 76 && (line.isEmpty() || line.endsWith('\r')), line.constData());
    QString report = "?";
    QCOMPARE(ReadPhoneBookVcf(name, MessageTexts(), 13, &report, FileCharset::Latin1()), book);
    QCOMPARE(report, QString());
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
