// SPDX-License-Identifier: GPL-3.0-or-later
// The initialisation file against real files: reading rules, in-place update that keeps every
// other byte, damaged files and files that cannot be written.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/Errors.h"
#include "settings/IniFile.h"

template <size_t N>
QByteArray bytesOf(const char (&s)[N]) {
  return QByteArray(s, N - 1);
}

class TestIniFile : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  QString path(const char* name = "zul.ini") const { return dir_.filePath(QLatin1String(name)); }

  QString make(const QByteArray& bytes, const char* name = "zul.ini") const {
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write");
    return path(name);
  }

  static QString writeError(IniFile& ini) {
    try {
      ini.UpdateFile();
    } catch (const EIniFileError& e) {
      return e.Message;
    }
    return "<no error>";
  }

  static QByteArray load(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
  }

 private slots:
  void readsStrings_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const char* const rows[][4] = {
        {"case-blind section and key", "LANGUAGE", "sms START:", "Start SMS:"},
        {"key with full stop", "help", "cred.code", "code"},
        {"blank around key and value", "Language", "Phone Book in SIM", "Book"},
        {"text after the first =", "Language", "Eq", "a=b"},
        {"double quotes removed", "Language", "Dq", "  spaced  "},
        {"single quotes removed", "Language", "Sq", "x"},
        {"only one pair removed", "Language", "Nested", "'in'"},
        {"unmatched quotes kept", "Language", "Half", "\"open'"},
        {"lone quote kept", "Language", "Lone", "\""},
        {"empty value is empty, not the default", "Language", "Find", ""},
        {"quoted empty value", "Language", "Qe", ""},
        {"first of two equal keys", "Language", "Twice", "first"},
        {"first of two equal sections", "Form", "Top", "5"},
        {"key only in the repeated section", "Form", "Left", "<default>"},
        {"key before any section", "", "Stray", "<default>"},
        {"comment is no key", "Language", ";Hidden", "<default>"},
        {"missing key", "Language", "Nope", "<default>"},
        {"missing section", "Nope", "Find", "<default>"},
        {"LF line end", "help", "LfOnly", "lf"},
        {"last line without line end", "Tail", "End", "last"},
        {"Latin-1 bytes", "Language", "Z\xe1mek", "\xdaspe\xb9n\xe9"},
    };
    for (const auto& r : rows)
      QTest::newRow(r[0]) << QString::fromLatin1(r[1]) << QString::fromLatin1(r[2])
                          << QString::fromLatin1(r[3]);
  }
  void readsStrings() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const QString file = make(
        "Stray=outside\r\n"
        "[Form]\r\nTop=5\r\n"
        "[Language]\r\n"
        "SMS Start:=Start SMS:\r\n"
        "  Phone Book in SIM   =   Book  \t\r\n"
        "Eq=a=b\r\n"
        "Dq=\"  spaced  \"\r\n"
        "Sq= 'x' \r\n"
        "Nested=\"'in'\"\r\n"
        "Half=\"open'\r\n"
        "Lone=\"\r\n"
        "Find=\r\n"
        "Qe=''\r\n"
        "Twice=first\r\nTWICE=second\r\n"
        ";Hidden=x\r\n"
        "Z\xe1mek=\xdaspe\xb9n\xe9\r\n"
        "[form]\r\nLeft=9\r\n"
        "[Help]\nCRED.CODE=code\nLfOnly=lf\n"
        "[Tail]\r\nEnd=last");
    const IniFile ini(file, FileCharset::Utf8());  // the Latin-1 bytes make it foreign
    QCOMPARE(ini.ReadString(section, key, QStringLiteral("<default>")), expected);
  }

  void readsIntegersAndBooleans_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("integer");  // read with default -99
    QTest::addColumn<bool>("readable");
    QTest::newRow("decimal") << QByteArray("7") << 7 << true;
    QTest::newRow("negative") << QByteArray("-3") << -3 << true;
    QTest::newRow("plus sign") << QByteArray("+12") << 12 << true;
    QTest::newRow("leading zeros") << QByteArray("007") << 7 << true;
    QTest::newRow("zero") << QByteArray("0") << 0 << true;
    QTest::newRow("0x") << QByteArray("0x1") << 1 << true;
    QTest::newRow("0X") << QByteArray("0X1f") << 31 << true;
    QTest::newRow("dollar") << QByteArray("$1F") << 31 << true;
    QTest::newRow("blanks and quotes") << QByteArray("  \"42\" ") << 42 << true;
    QTest::newRow("lowest") << QByteArray("-2147483648") << int(-2147483647 - 1) << true;
    QTest::newRow("highest hex") << QByteArray("$7FFFFFFF") << 2147483647 << true;
    QTest::newRow("letters") << QByteArray("abc") << -99 << false;
    QTest::newRow("trailing letters") << QByteArray("12a") << -99 << false;
    QTest::newRow("inner blank") << QByteArray("1 2") << -99 << false;
    QTest::newRow("empty") << QByteArray("") << -99 << false;
    QTest::newRow("sign only") << QByteArray("-") << -99 << false;
    QTest::newRow("prefix only") << QByteArray("0x") << -99 << false;
    QTest::newRow("dollar only") << QByteArray("$") << -99 << false;
    QTest::newRow("bad hex digit") << QByteArray("$1G") << -99 << false;
    QTest::newRow("signed hex") << QByteArray("-$1") << -99 << false;
    QTest::newRow("decimal point") << QByteArray("1.5") << -99 << false;
    QTest::newRow("too big") << QByteArray("2147483648") << -99 << false;
    QTest::newRow("far too big") << QByteArray("99999999999999999999999") << -99 << false;
    QTest::newRow("hex too big") << QByteArray("0x100000000") << -99 << false;
  }
  void readsIntegersAndBooleans() {
    QFETCH(QByteArray, value);
    QFETCH(int, integer);
    QFETCH(bool, readable);
    const IniFile ini(make("[form]\r\nsms4=" + value + "\r\n"));
    QCOMPARE(ini.ReadInteger("Form", "SMS4", -99), integer);
    QCOMPARE(ini.ReadBool("Form", "SMS4", false), readable ? integer != 0 : false);
    QCOMPARE(ini.ReadBool("Form", "SMS4", true), readable ? integer != 0 : true);
  }

  void longValuesAreCut() {
    const QByteArray value(5000, 'v');
    IniFile ini(make("[A]\r\nk=" + value + "\r\nn=" + QByteArray(3000, '1') + "\r\n"));
    QCOMPARE(ini.ReadString("A", "k", ""), QString(IniFile::MaxValueLength, 'v'));
    QCOMPARE(ini.ReadInteger("A", "n", 4), 4);
    // Written back as read (as the window's close does), the line keeps all it holds.
    const QByteArray before = ini.Contents();
    ini.WriteString("A", "k", ini.ReadString("A", "k", ""));
    QCOMPARE(ini.Contents(), before);
    // Never half a character: it could not be written back.
    const QString pair = QString(IniFile::MaxValueLength - 1, u'v') + QStringLiteral("\U0001F600");
    const IniFile utf8(make("[A]\r\nk=" + pair.toUtf8() + "\r\n"), FileCharset::Utf8());
    QCOMPARE(utf8.ReadString("A", "k", ""), pair.left(IniFile::MaxValueLength - 1));
  }

  // A byte order mark means UTF-8 whatever the system's set, and is kept. Writing one value
  // never changes how another reads: a file read byte for byte that loses its last byte the
  // system's set cannot read is recoded, into UTF-8 after a mark where that set cannot hold it.
  void writesKeepHowTheFileReads_data() {
    QTest::addColumn<QByteArray>("system");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("relB");
    QTest::addColumn<QByteArray>("after");  // once RelA is "x"
    const QByteArray mark("\xEF\xBB\xBF");
    QTest::newRow("marked, on a Latin-2 system")
        << QByteArray("ISO-8859-2") << mark + "[Form]\r\nRelA=\xC5\x98\r\nRelB=\xC3\xA9\r\n"
        << QStringLiteral("\u00E9") << mark + "[Form]\r\nRelA=x\r\nRelB=\xC3\xA9\r\n";
    QTest::newRow("its last foreign byte written over")
        << QByteArray("UTF-8") << QByteArray("[Form]\r\nRelA=\xE9\r\nRelB=\xC3\xA9\r\n")
        << QStringLiteral("\u00C3\u00A9")
        << QByteArray("[Form]\r\nRelA=x\r\nRelB=\xC3\x83\xC2\xA9\r\n");
    QTest::newRow("a set that cannot hold the rest")
        << QByteArray("Shift_JIS") << QByteArray("[Form]\r\nRelA=\xFF\r\nRelB=\x93\xFA\r\n")
        << QStringLiteral("\u0093\u00FA") << mark + "[Form]\r\nRelA=x\r\nRelB=\xC2\x93\xC3\xBA\r\n";
  }
  void writesKeepHowTheFileReads() {
    QFETCH(QByteArray, system);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, relB);
    QFETCH(QByteArray, after);
    const FileCharset set = FileCharset::Named(system);
    IniFile ini(make(bytes), set);
    QCOMPARE(ini.SectionExists("Form"), true);
    QCOMPARE(ini.ReadString("Form", "RelB", ""), relB);
    ini.WriteString("Form", "RelA", "x");
    ini.WriteString("Form", "RelB", relB);
    QCOMPARE(ini.Contents(), after);
    ini.UpdateFile();
    const IniFile again(path(), set);
    QCOMPARE(again.ReadString("Form", "RelB", ""), relB);
    QCOMPARE(again.ReadString("Form", "RelA", ""), QStringLiteral("x"));
  }

  // A translator's file: comments, other sections, odd case, LF lines and no final line end.
  void writingKeepsEveryOtherLine() {
    const QByteArray original =
        "; ZUL settings, edited by hand\r\n"
        "\r\n"
        "[FORM]\r\n"
        "tOp = 5\r\n"
        "; where the window goes\r\n"
        "Left=7   \n"
        "\r\n"
        "[Private]\r\n"
        "Top=1\r\n"
        "junk line without equals\r\n"
        "[Language]\r\n"
        "Find=\"Hledat\"\r\n"
        "Sort=\r\n"
        "\r\n"
        "; closing remark\r\n"
        "[help]\r\n"
        "Sort=Sorts";
    const QString file = make(original);
    IniFile ini(file);
    ini.WriteInteger("Form", "Top", 200);                     // in place, spelling and spacing kept
    ini.WriteInteger("Form", "Left", 7);                      // same value: line untouched
    ini.WriteBool("Form", "SMS4", true);                      // new key after the last key line
    ini.WriteString("LANGUAGE", "find", "Hledat");            // same value, quoted in the file
    ini.WriteString("Language", "Sort", "");                  // empty stays empty
    ini.WriteString("Language", "PHONE", "Telefon");          // after Sort, ahead of the blank line
    ini.WriteString("Help", "Find", "Search");                // section ends without a line end
    ini.WriteString("Messages", "Communication", "No link");  // new section at the end
    ini.UpdateFile();
    QCOMPARE(load(file), QByteArray("; ZUL settings, edited by hand\r\n"
                                    "\r\n"
                                    "[FORM]\r\n"
                                    "tOp = 200\r\n"
                                    "; where the window goes\r\n"
                                    "Left=7   \n"
                                    "SMS4=1\r\n"
                                    "\r\n"
                                    "[Private]\r\n"
                                    "Top=1\r\n"
                                    "junk line without equals\r\n"
                                    "[Language]\r\n"
                                    "Find=\"Hledat\"\r\n"
                                    "Sort=\r\n"
                                    "PHONE=Telefon\r\n"
                                    "\r\n"
                                    "; closing remark\r\n"
                                    "[help]\r\n"
                                    "Sort=Sorts\r\n"
                                    "Find=Search\r\n"
                                    "\r\n"
                                    "[Messages]\r\n"
                                    "Communication=No link\r\n"));
  }

  void fileFromNothing() {
    const QString file = path("new.ini");
    IniFile ini(file);
    QVERIFY(!ini.SectionExists("Form"));
    ini.WriteInteger("Form", "Top", 200);
    ini.WriteBool("Form", "SMS4", false);
    ini.WriteString("Language", "SMS Start:", "SMS Start:");
    ini.WriteString("Form", "File", "admiss");
    ini.UpdateFile();
    QCOMPARE(load(file), QByteArray("[Form]\r\nTop=200\r\nSMS4=0\r\nFile=admiss\r\n"
                                    "\r\n[Language]\r\nSMS Start:=SMS Start:\r\n"));
  }

  // Values the reader would trim, unquote or split come back as they were written.
  void awkwardValuesRoundTrip_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("leading blank") << " lead"
                                   << " lead";
    QTest::newRow("trailing blank") << "trail "
                                    << "trail ";
    QTest::newRow("quoted") << "'q'"
                            << "'q'";
    QTest::newRow("double quoted") << "\"dq\""
                                   << "\"dq\"";
    QTest::newRow("inner quotes") << "a \"b\" c"
                                  << "a \"b\" c";
    QTest::newRow("equals sign") << "x=y"
                                 << "x=y";
    QTest::newRow("semicolon") << ";not a comment"
                               << ";not a comment";
    QTest::newRow("line breaks flattened") << "a\r\nb\nc"
                                           << "a  b c";
    QTest::newRow("Latin-1") << QString::fromLatin1("\xc8\xe9\xff")
                             << QString::fromLatin1("\xc8\xe9\xff");
    QTest::newRow("beyond Latin-1") << QStringLiteral("Na\u010D\u00EDst \u03A9 \U0001D11E")
                                    << QStringLiteral("Na\u010D\u00EDst \u03A9 \U0001D11E");
  }
  void awkwardValuesRoundTrip() {
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    const QString file = make("[S]\r\nk=old\r\nother=kept\r\n");
    {
      IniFile ini(file, FileCharset::Utf8());
      ini.WriteString("S", "k", value);
      ini.UpdateFile();
    }
    const IniFile again(file, FileCharset::Utf8());
    QCOMPARE(again.ReadString("S", "k", "<default>"), readBack);
    QCOMPARE(again.ReadString("S", "other", "<default>"), QString("kept"));
    QCOMPARE(load(file).count('\n'), 3);
  }

  // NUL bytes, random bytes, a huge line, no final line end: read what can be read, lose nothing.
  void damagedFileKeepsItsBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QByteArray random(64 * 1024, '\0');
    QRandomGenerator gen(4711);
    for (char& c : random) c = char(gen.bounded(256));
    QTest::newRow("random bytes") << random;
    QTest::newRow("NUL bytes") << bytesOf(
        "[Form]\r\nTo\0p=1\r\nTop=\0"
        "5\r\n\0\0\0");
    QTest::newRow("one huge line") << QByteArray(2 * 1024 * 1024, 'x');
    QTest::newRow("CR only") << QByteArray("[Form]\rTop=3\rLeft=4\r");
    QTest::newRow("unclosed header") << QByteArray("[Form\r\nTop=3\r\n");
  }
  void damagedFileKeepsItsBytes() {
    QFETCH(QByteArray, bytes);
    const QString file = make(bytes);
    {
      IniFile ini(file);
      (void)ini.ReadInteger("Form", "Top", 1);
      (void)ini.ReadString("Form", "Left", "");
      ini.WriteInteger("ZulNew", "Top", 321);
      ini.UpdateFile();
    }
    const QByteArray after = load(file);
    QVERIFY(after.startsWith(bytes));
    QVERIFY(after.endsWith("[ZulNew]\r\nTop=321\r\n"));
    QVERIFY(after.size() - bytes.size() <= 4 + 19);
    QCOMPARE(IniFile(file).ReadInteger("zulnew", "top", 1), 321);
  }

  void nulInsideValueIsKept() {
    const IniFile ini(make(bytesOf("[Form]\r\nRelA=a\0b\r\n")));
    QCOMPARE(ini.ReadString("Form", "RelA", ""), QString::fromLatin1("a\0b", 3));
  }

  void unwritableFile_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("missing folder") << dir_.filePath("no/such/folder/zul.ini");
    QTest::newRow("folder in the way") << dir_.path();
  }
  void unwritableFile() {
    QFETCH(QString, file);
    IniFile ini(file);
    ini.WriteInteger("Form", "Top", 1);
    QCOMPARE(writeError(ini), "Unable to write to " + file);
  }

  void relativeNameReportsFullPath() {
    QVERIFY(QDir::setCurrent(dir_.path()));
    IniFile ini("no-folder/zul.ini");
    QCOMPARE(writeError(ini), "Unable to write to " + dir_.filePath("no-folder/zul.ini"));
  }

  // Reading and writing many keys must stay linear in the size of the file.
  void largeFileIsQuick() {
    QByteArray big = "[Big]\r\n";
    const int n = 100000;
    for (int i = 0; i < n; ++i) big += "key" + QByteArray::number(i) + "=v\r\n";
    const QString file = make(big);
    QElapsedTimer t;
    t.start();
    IniFile ini(file);
    for (int i = 0; i < n; i += 2) ini.WriteInteger("BIG", "KEY" + QString::number(i), i);
    for (int i = 0; i < 20000; ++i) ini.WriteInteger("Big", "new" + QString::number(i), i);
    for (int i = 0; i < 20000; ++i) ini.WriteInteger("More" + QString::number(i), "k", i);
    ini.UpdateFile();
    const IniFile again(file);
    QCOMPARE(again.ReadInteger("big", "key4", -1), 4);
    QCOMPARE(again.ReadString("big", "key5", ""), QString("v"));
    QCOMPARE(again.ReadInteger("Big", "new19999", -1), 19999);
    QCOMPARE(again.ReadInteger("More19999", "k", -1), 19999);
    QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));
  }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_inifile.moc"
