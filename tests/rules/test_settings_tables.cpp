// SPDX-License-Identifier: GPL-3.0-or-later
// The four settings sections read from and written to real files through bindings to plain
// variables: the file a first close creates, the read order, values a translator typed in,
// and the round trip; the shipped translations and how they get into the file.
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <stdexcept>
#include <tuple>

#include "platform/Errors.h"
#include "settings/IniFile.h"
#include "settings/PluralForms.h"
#include "settings/SettingBindings.h"
#include "settings/SettingsLocation.h"
#include "settings/Translations.h"
#include "support/LocaleScope.h"

namespace {

// Every key bound to variables: "Section/key" for its first control, "Section/key#n" for
// further ones.
// Each setter call is logged as "key#target".
struct Store {
  QMap<QString, QVariant> values;
  QStringList log;
  AllBindings bindings;

  Store() {
    for (size_t s = 0; s < std::size(SettingsSections); ++s) {
      const SettingsSection& sec = SettingsSections[s];
      for (int i = 0; i < sec.keyCount; ++i) {
        const QString key = QString::fromLatin1(sec.keys[i].key);
        const QString var = QString::fromLatin1(sec.name) + '/' + key;
        int targets = 1;
        for (int r = 0; r < sec.readCount; ++r)
          if (key == QLatin1String(sec.reads[r].key))
            targets = std::max(targets, sec.reads[r].target + 1);
        SettingBinding b{sec.keys[i].key, [this, var] { return values.value(var); }, {}};
        for (int t = 0; t < targets; ++t) {
          const QString name = t == 0 ? var : var + '#' + QString::number(t);
          b.set.push_back([this, name, key, t](const QVariant& v) {
            values[name] = v;
            log << key + '#' + QString::number(t);
          });
        }
        bindings[s].push_back(b);
      }
    }
  }
};

// The file as (section, key, value) lines, in file order.
QStringList entries(const QByteArray& bytes) {
  QStringList out;
  QString section;
  for (const QByteArray& line : bytes.split('\n')) {
    const QString l = QString::fromLatin1(line).trimmed();
    if (l.startsWith('['))
      section = l.mid(1, l.size() - 2);
    else if (l.contains('='))
      out << section + '|' + l;
  }
  return out;
}

// What the program composes around a text: its placeholders, a file filter's pattern, and a
// closing colon before a list.
QStringList composition(const QString& text) {
  QStringList parts;
  auto it = QRegularExpression(QStringLiteral("%(\\d+|s)|\\(\\*\\.\\w+\\)")).globalMatch(text);
  while (it.hasNext()) parts << it.next().captured();
  parts.sort();
  if (text.endsWith(':')) parts << QStringLiteral("ends in :");
  return parts;
}

// "Section|key" of every key line of a file.
QStringList keysOf(const QByteArray& bytes) {
  QStringList keys;
  for (const QString& line : entries(bytes)) keys << line.left(line.indexOf('='));
  return keys;
}

}  // namespace

class TestSettingsTables : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  QString make(const QByteArray& bytes) {
    const QString file = dir_.filePath("zul.ini");
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write");
    return file;
  }
  static QByteArray load(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }

 private slots:
  void init() { QFile::remove(dir_.filePath("zul.ini")); }

  void firstCloseCreatesEveryKey() {
    const QString file = dir_.filePath("zul.ini");
    Store store;
    ReadAllSettings(IniFile(file), store.bindings);
    IniFile ini(file);
    WriteAllSettings(ini, store.bindings);
    ini.UpdateFile();

    const QByteArray bytes = load(file);
    QVERIFY(!bytes.startsWith("\xef\xbb\xbf"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QVERIFY(
        bytes.startsWith("[Form]\r\nTop=200\r\nLeft=200\r\nMaxLengthNumber=13\r\nSMS4=0\r\n"
                         "SMS5=0\r\nSMS6=0\r\nRelA=OUTPUT A\r\nRelB=OUTPUT B\r\n"
                         "File=admiss\r\n\r\n[Language]\r\nLanguage=Eng\r\n"
                         "SMS Start:=SMS Start:\r\n"));

    const QStringList lines = entries(bytes);
    QStringList sections;
    QMap<QString, int> perSection;
    for (const QString& l : lines) {
      const QString s = l.section('|', 0, 0);
      if (!sections.contains(s)) sections << s;
      ++perSection[s];
    }
    QCOMPARE(sections, QStringList({"Form", "Language", "Messages", "Help"}));
    QCOMPARE(perSection.value("Form"), 9);
    QCOMPARE(perSection.value("Language"), 72);
    QCOMPARE(perSection.value("Messages"), 114);
    QCOMPARE(perSection.value("Help"), 39);

    // Odd spellings and repeated texts go out exactly as built in.
    for (const char* expected :
         {"Language|Load=Load", "Language|Save=Save", "Language|MONITOR=MONITOR",
          "Language|Autoverify=Autoverify", "Messages|Communication=No communication, change com?",
          "Messages|Incorrect International format=Incorrect International format"})
      QVERIFY2(lines.contains(QLatin1String(expected)), expected);
    // Every built-in hint, in write order.
    QCOMPARE(
        lines.filter(QRegularExpression("^Help\\|")).replaceInStrings("Help|", ""),
        QStringList({
            "Phone numbers=Number of phone numbersin downloaded list",
            "Find=Search for name or phone number within selected field",
            "FindNext=Search for next name or phone number in the list",
            "Sort=Sort phone book in alphabetical order",
            "FindName=Enter all or part of name here",
            "FindPhone=Enter all or part of phone number here",
            "LoadSMSPC=Load SMSs from PC",
            "SaveSMSPC=Save SMSs to PC",
            "LoadSIMPC=Load phone numbers from PC",
            "SaveSIMPC=Save phone numbers to PC",
            "SMeter=Signal is good, when colour is green or blue.",
            "CountDown=SynchroPie - if not green, communication is blocked.",
            "Indicator=Indication of serial transmission (flashing red = error in translation)",
            "ADMIN=Phone number with top priority of unit access",
            "ALARM=Phone number for SMS control and alarm",
            "ALARM8=Phone number for SMS control, alarm and for relaying messages from GSM "
            "provider",
            "RTIME=Time of relay switch on after ringing",
            "CREDIT=Code to get remaining credit info from GSM operator",
            "OPERATOR=phone number of GSM operator for net messages( expiration credit time "
            "etc...)",
            "Phone number in international format.=Phone number in international format.",
            "CRED.CODE=code to check credit level",
            "Load SIM=Load phone numbers from SIM.",
            "Overwrite SIM=Ovewrite phone numbers in SIM",
            "Add To SIM=Add phone numbers to SIM",
            "PhoneBook=Table for edition of phone book",
            "AdmisRec=Table for admissions",
            "Verify=Verify syntax in Phone Book",
            "Autoverify=Verify syntax in Phone Book automatically",
            "Info=Overview of important phone numbers of the unit",
            "SMS Text=SMS text max. 150 characters.",
            "SMS Monitor=All SMSs on SIM card are shown.",
            "Load SMSs=Load SMSs from SIM.",
            "Save SMSs=Save SMSs to SIM",
            "Delele SMSs=Delete all SMSs from SIM.",
            "Monitor=Monitoring serial communication.",
            "SaveMonitor=Save monitored serial communication.",
            "RelayA=Name for relay A",
            "RelayB=Name for relay A",
            "Serial port=Serial port: %1",
        }));
    QCOMPARE(lines.indexOf("Language|Verify Phone Book=Verify Phone Book") + 1,
             lines.indexOf("Language|Autoverify=Autoverify"));
  }

  // The order in which values reach the controls, and which control each Load/Save read feeds.
  void readOrder() {
    Store store;
    ReadAllSettings(IniFile(dir_.filePath("zul.ini")), store.bindings);
    const QStringList& log = store.log;
    QCOMPARE(log.mid(0, 9), QStringList({"Top#0", "Left#0", "MaxLengthNumber#0", "SMS4#0", "SMS5#0",
                                         "SMS6#0", "RelA#0", "RelB#0", "File#0"}));
    const int lang = log.indexOf("Language#0");
    QCOMPARE(lang, 9);
    QCOMPARE(log.mid(lang, 31), QStringList({"Language#0",    "SMS Start:#0",
                                             "SMS Input1:#0", "SMS Input2:#0",
                                             "SMS blank1:#0", "SMS blank2:#0",
                                             "SMS blank3:#0", "Phone:#0",
                                             "Text:#0",       "Signal strength#0",
                                             "Autoverify#0",  "Verify Phone Book#0",
                                             "Find#0",        "Find Next#0",
                                             "Sort#0",        "Phone Book in SIM#0",
                                             "Load SIM#0",    "Overwrite SIM#0",
                                             "Add To SIM#0",  "Load SMSs#0",
                                             "Save SMSs#0",   "Delete SMSs#0",
                                             "SMSs in SIM#0", "Load#0",
                                             "Save#1",        "Load#1",
                                             "Save#0",        "Save#2",
                                             "PHONE#0",       "SMS#0",
                                             "MONITOR#0"}));
    // The keys added after those are read in write order.
    QStringList later;
    for (int i = 28; i < int(std::size(texts::Language)); ++i)
      later << QString::fromLatin1(texts::Language[i].key) + "#0";
    QCOMPARE(later.mid(0, 4), QStringList({"Copy#0", "Paste#0", "Undo#0", "Locale#0"}));
    QCOMPARE(log.mid(lang + 31, later.size()), later);
    QCOMPARE(log.value(lang + 75), QStringLiteral("Incorrect International format#0"));
    const int op = log.indexOf("OPERATOR#0");
    QVERIFY(op > lang + 75 + 114);
    QCOMPARE(log.mid(op, 4), QStringList({"OPERATOR#0", "Verify#0", "Autoverify#0",
                                          "Phone number in international format.#0"}));
    QCOMPARE(log.last(), QStringLiteral("Serial port#0"));
    QCOMPARE(log.size(), 9 + 75 + 114 + 39);
  }

  // What a translator may have typed, read as the program reads it and written back.
  void translatorsValues() {
    const QString file = make(
        "; translation\r\n"
        "[form]\r\n"
        "SMS4=0x1\r\nsms5 = 7\r\nSMS6=no\r\nMaxLengthNumber=abc\r\ntop=$20\r\n"
        "[LANGUAGE]\r\n"
        "Language=DE\r\nFind=\r\nSave=Speichern\r\nLoad='Laden'\r\n"
        "[Extra]\r\nkept=yes\r\n");
    Store store;
    ReadAllSettings(IniFile(file), store.bindings);
    const auto& v = store.values;
    QCOMPARE(v.value("Form/SMS4"), QVariant(true));
    QCOMPARE(v.value("Form/SMS5"), QVariant(true));
    QCOMPARE(v.value("Form/SMS6"), QVariant(false));
    QCOMPARE(v.value("Form/MaxLengthNumber"), QVariant(13));
    QCOMPARE(v.value("Form/Top"), QVariant(32));
    QCOMPARE(v.value("Form/Left"), QVariant(200));
    QCOMPARE(v.value("Language/Language"), QVariant("DE"));
    QCOMPARE(v.value("Language/Find"), QVariant(""));
    QCOMPARE(v.value("Language/Find Next"), QVariant("Find Next"));
    for (const char* save : {"Language/Save", "Language/Save#1", "Language/Save#2"})
      QCOMPARE(v.value(save), QVariant("Speichern"));
    for (const char* load : {"Language/Load", "Language/Load#1"})
      QCOMPARE(v.value(load), QVariant("Laden"));

    IniFile ini(file);
    WriteAllSettings(ini, store.bindings);
    ini.UpdateFile();
    const QByteArray bytes = load(file);
    QVERIFY(
        bytes.startsWith("; translation\r\n[form]\r\nSMS4=1\r\nsms5 = 1\r\nSMS6=0\r\n"
                         "MaxLengthNumber=13\r\ntop=32\r\nLeft=200\r\n"));
    QVERIFY(
        bytes.contains("[LANGUAGE]\r\nLanguage=DE\r\nFind=\r\nSave=Speichern\r\n"
                       "Load='Laden'\r\nSMS Start:=SMS Start:\r\n"));
    QVERIFY(bytes.contains("[Extra]\r\nkept=yes\r\n"));
    QCOMPARE(bytes.count("\r\nFind=\r\n"), 1);
  }

  // Whatever the controls hold comes back unchanged, in any language, and an unchanged file
  // stays byte for byte.
  void roundTrip() {
    const QByteArray locale = qgetenv("LC_ALL");
    qputenv("LC_ALL", "C.UTF-8");
    const auto restore = qScopeGuard([&locale] { qputenv("LC_ALL", locale); });
    const QString file = dir_.filePath("zul.ini");
    Store first;
    ReadAllSettings(IniFile(file), first.bindings);
    int n = 0;
    for (auto it = first.values.begin(); it != first.values.end(); ++it, ++n) {
      if (it.key().contains('#')) continue;
      switch (it.value().typeId()) {
        case QMetaType::Int:
          it.value() = -n;
          break;
        case QMetaType::Bool:
          it.value() = true;
          break;
        default:
          it.value() = QStringLiteral(" \u010C\u00E1st %1 = 'x' \u03A9").arg(n);
      }
    }
    first.values["Language/Find"] = QString();
    first.values["Form/RelA"] = QStringLiteral("\"quoted\"");
    {
      IniFile ini(file);
      WriteAllSettings(ini, first.bindings);
      ini.UpdateFile();
    }
    const QByteArray written = load(file);

    Store second;
    ReadAllSettings(IniFile(file), second.bindings);
    for (auto it = first.values.begin(); it != first.values.end(); ++it)
      if (!it.key().contains('#')) QCOMPARE(second.values.value(it.key()), it.value());

    IniFile again(file);
    WriteAllSettings(again, second.bindings);
    again.UpdateFile();
    QCOMPARE(load(file), written);
  }

  void bindingFaults_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("key without binding") << 0 << "Form: 0 bindings for key \"File\"";
    QTest::newRow("key bound twice") << 1 << "Form: 2 bindings for key \"Top\"";
    QTest::newRow("binding without key") << 2 << "Form: no key \"Bottom\"";
    QTest::newRow("read to a missing control") << 3 << "Language: read of \"Save\" has no target 2";
  }
  void bindingFaults() {
    QFETCH(int, fault);
    QFETCH(QString, message);
    Store store;
    int section = 0;
    SectionBindings& form = store.bindings[0];
    switch (fault) {
      case 0:
        form.pop_back();
        break;
      case 1:
        form.push_back(form.front());
        break;
      case 2:
        form.push_back(form.front());
        form.back().key = "Bottom";
        break;
      case 3:
        section = 1;
        for (SettingBinding& b : store.bindings[1])
          if (QLatin1String(b.key) == QLatin1String("Save")) b.set.pop_back();
        break;
    }
    QCOMPARE(CheckBindings(SettingsSections[section], store.bindings[section]), message);
    IniFile ini(dir_.filePath("zul.ini"));
    QVERIFY_THROWS_EXCEPTION(std::logic_error,
                             ReadSection(ini, SettingsSections[section], store.bindings[section]));
    QVERIFY_THROWS_EXCEPTION(std::logic_error,
                             WriteSection(ini, SettingsSections[section], store.bindings[section]));
    QVERIFY(store.log.isEmpty());
    QCOMPARE(ini.Contents(), QByteArray());
  }

  // Every key of the three text sections in every shipped file, none empty, none unknown or
  // twice, the placeholders and closing colon of its English text kept, and every text in the
  // one-byte set its language had before UTF-8, so that such a locale still takes it. The keys
  // come from the tables: one added there without a translation fails here.
  void shippedTranslations_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("legacySet");
    for (const ShippedTranslation& t : ShippedTranslations)
      QTest::newRow(t.code) << t.code
                            << QByteArray(QLatin1String(t.code) == "de" ? "ISO-8859-1"
                                                                        : "ISO-8859-2");
  }
  void shippedTranslations() {
    QFETCH(QString, code);
    QFETCH(QByteArray, legacySet);
    const QString file = TranslationFile(code);
    const IniFile shipped(file, FileCharset::Utf8());
    QCOMPARE(shipped.Charset(), FileCharset::Utf8());
    const FileCharset legacy = FileCharset::Named(legacySet);
    QCOMPARE(legacy.Name(), QString::fromLatin1(legacySet));
    QStringList expected;
    for (const SettingsSection& section : SettingsSections) {
      const QString name = QString::fromLatin1(section.name);
      if (name == "Form") continue;
      for (int i = 0; i < section.keyCount; ++i) {
        const QString key = QString::fromLatin1(section.keys[i].key);
        const QString where = name + '|' + key;
        expected << where;
        const QString text = shipped.ReadString(name, key, QString());
        QVERIFY2(!text.trimmed().isEmpty(), qPrintable(where));
        QVERIFY2(composition(text) == composition(QString::fromLatin1(section.keys[i].text)),
                 qPrintable(where + '=' + text));
        for (const int forms : PluralGroups(text))
          QVERIFY2(forms == PluralFormCount(code), qPrintable(where + '=' + text));
        try {
          legacy.Encode(text);
        } catch (const EUnwritableText& e) {
          QFAIL(qPrintable(where + ": " + e.Message));
        }
      }
    }
    QVERIFY(shipped.ReadString("Language", "Language", "Eng") != "Eng");
    QCOMPARE(TextsLanguage(shipped.ReadString("Language", "Locale", QString()), QString()), code);
    QStringList keys = keysOf(load(file));
    keys.sort();
    expected.sort();
    QCOMPARE(keys, expected);
  }

  void noTranslationForOtherCodes() {
    for (const char* code : {"en", "", "CS", "cs_CZ", "xx", "../cs"})
      QVERIFY2(TranslationFile(code).isEmpty(), code);
  }

  // The form a count takes, language by language; the built-in English has two in each group.
  void pluralForms_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QList<int>>(
        "forms");  // for the counts 0, 1, 2, 4, 5, 12, 21, 22, 25, 112, 122
    QTest::newRow("en") << "" << QList<int>{1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("de_AT") << "de_AT" << QList<int>{1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("cs") << "cs" << QList<int>{2, 0, 1, 1, 2, 2, 2, 2, 2, 2, 2};
    QTest::newRow("sk-SK") << "sk-SK" << QList<int>{2, 0, 1, 1, 2, 2, 2, 2, 2, 2, 2};
    QTest::newRow("pl_PL.UTF-8") << "pl_PL.UTF-8" << QList<int>{2, 0, 1, 1, 2, 2, 2, 1, 2, 2, 1};
  }
  void pluralForms() {
    QFETCH(QString, language);
    QFETCH(QList<int>, forms);
    QList<int> taken;
    for (const qint64 n : {0, 1, 2, 4, 5, 12, 21, 22, 25, 112, 122})
      taken << PluralForm(language, n);
    QCOMPARE(taken, forms);
    for (const SettingsSection& section : SettingsSections)
      for (int i = 0; i < section.keyCount; ++i)
        for (const int n : PluralGroups(QString::fromLatin1(section.keys[i].text)))
          QVERIFY2(n == 2, section.keys[i].key);
  }

  // Groups are resolved, plain braces kept; what fills a placeholder afterwards is not touched.
  void withPluralForms() {
    const QString records = "%1 {z\u00E1znam|z\u00E1znamy|z\u00E1znam\u016F} {je|jsou|je}";
    const QList<std::tuple<QString, const char*, int, QString>> cases = {
        {records, "cs", 1, "1 z\u00E1znam je"},
        {records, "cs", 3, "3 z\u00E1znamy jsou"},
        {records, "cs", 5, "5 z\u00E1znam\u016F je"},
        {records, "en", 3, "3 z\u00E1znamy jsou"},         // three forms under a two-form rule
        {"%1 {row|rows}", "cs", 5, "5 rows"},              // two forms under a three-form rule
        {"holds %1 records", "pl", 1, "holds 1 records"},  // written before there were groups
        {"{x} {a|b} {y", "de", 2, "{x} b {y"},
    };
    for (const auto& [text, language, count, shown] : cases) {
      MessageTexts m;
      m.Language = QString::fromLatin1(language);
      QCOMPARE(m.Counted(text, count).arg(count), shown);
    }
    QCOMPARE(MessageTexts().Counted("\"%1\" {has|have}", 1).arg("{a|b}.csv"),
             QStringLiteral("\"{a|b}.csv\" has"));
  }

  // The language of a file's texts: its Locale, or what its Language label names.
  void textsLanguage() {
    const QList<std::array<const char*, 3>> cases = {
        {"", "Eng", "en"},     {"", "Cz", "cs"},      {"", "Sk", "sk"},         {"", "DE", "de"},
        {"", "Pl", "pl"},      {"", "Hu", "hu"},      {"", "Deutsch", ""},      {"", "", ""},
        {"pl_PL", "Cz", "pl"}, {" cs ", "Eng", "cs"}, {"de-AT.UTF-8", "", "de"}};
    for (const auto& [locale, label, code] : cases)
      QVERIFY2(TextsLanguage(locale, label) == QLatin1String(code),
               qPrintable(QStringLiteral("%1/%2").arg(locale, label)));
  }

  // The first of LC_ALL, LC_MESSAGES and LANG that is set names the language.
  void systemLanguage_data() {
    QTest::addColumn<QByteArray>("all");
    QTest::addColumn<QByteArray>("messages");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QString>("language");
    QTest::newRow("LANG") << QByteArray() << QByteArray() << QByteArray("cs_CZ.UTF-8") << "cs";
    QTest::newRow("LC_MESSAGES before LANG")
        << QByteArray() << QByteArray("de_AT@euro") << QByteArray("cs_CZ.UTF-8") << "de";
    QTest::newRow("LC_ALL before all")
        << QByteArray("pl_PL.ISO-8859-2") << QByteArray("sk_SK") << QByteArray("cs_CZ") << "pl";
    QTest::newRow("LC_ALL=C wins")
        << QByteArray("C") << QByteArray("sk_SK.UTF-8") << QByteArray("sk_SK.UTF-8") << "";
    QTest::newRow("language alone") << QByteArray() << QByteArray() << QByteArray("sk") << "sk";
    QTest::newRow("English") << QByteArray() << QByteArray() << QByteArray("en_US.UTF-8") << "";
    QTest::newRow("C.UTF-8") << QByteArray() << QByteArray() << QByteArray("C.UTF-8") << "";
    QTest::newRow("POSIX") << QByteArray() << QByteArray() << QByteArray("POSIX") << "";
    QTest::newRow("Kashubian is not Czech")
        << QByteArray() << QByteArray() << QByteArray("csb_PL.UTF-8") << "";
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray() << "";
  }
  void systemLanguage() {
    QFETCH(QByteArray, all);
    QFETCH(QByteArray, messages);
    QFETCH(QByteArray, lang);
    QFETCH(QString, language);
    LocaleScope scope(all, messages, lang);
    QCOMPARE(SystemLanguage(), language);
  }

  // --language: the three text sections take the translation; [Form] and every other line stay
  // as they were; "en" brings the built-in texts back.
  void switchLanguage() {
    LocaleScope utf8("C.UTF-8");
    const QByteArray form =
        "; mine\r\n[Form]\r\nTop=$20\r\nMaxLengthNumber=abc\r\nRelA=Br\xc3\xa1na\r\n";
    const QString file =
        make(form + "\r\n[language]\r\nfind=Hledej\r\nLanguage=Eng\r\n\r\n[Extra]\r\nkept=yes\r\n");
    const IniFile de(TranslationFile("de"), FileCharset::Utf8());
    for (const QString code : {"de", "en"}) {
      SwitchLanguage({file, QString()}, code);
      const QByteArray bytes = load(file);
      QVERIFY(bytes.startsWith(
          form + "\r\n[language]\r\nfind=" + (code == "de" ? "Suchen" : "Find") + "\r\nLanguage="));
      QVERIFY(bytes.contains("\r\n[Extra]\r\nkept=yes\r\n"));
      QCOMPARE(bytes.count("[Form]"), 1);
      Store store;
      ReadAllSettings(IniFile(file), store.bindings);
      for (const SettingsSection& section : SettingsSections) {
        const QString name = QString::fromLatin1(section.name);
        for (int i = 0; name != "Form" && i < section.keyCount; ++i) {
          const QString english = QString::fromLatin1(section.keys[i].text);
          const QString key = QString::fromLatin1(section.keys[i].key);
          QCOMPARE(store.values.value(name + '/' + key).toString(),
                   code == "de" ? de.ReadString(name, key, QString()) : english);
        }
      }
    }
  }

  // A new file is what the program itself writes: [Form] with its defaults first, and a
  // close after it changes no byte.
  void switchLanguageOnANewFile() {
    LocaleScope utf8("C.UTF-8");
    const QString file = dir_.filePath("zul.ini");
    SwitchLanguage({file, QString()}, "pl");
    const QByteArray bytes = load(file);
    QVERIFY(bytes.startsWith(
        "[Form]\r\nTop=200\r\nLeft=200\r\nMaxLengthNumber=13\r\nSMS4=0\r\nSMS5=0\r\nSMS6=0\r\n"
        "RelA=OUTPUT A\r\nRelB=OUTPUT B\r\nFile=admiss\r\n\r\n[Language]\r\nLanguage=Pl\r\n"));
    Store store;
    ReadAllSettings(IniFile(file), store.bindings);
    IniFile ini(file);
    WriteAllSettings(ini, store.bindings);
    QCOMPARE(ini.Contents(), bytes);
  }

  // Where the system's character set cannot hold a translation, the switch is refused with the
  // message of any such text and the file stays as it was. German fits the set of "C"; a
  // one-byte locale of the language itself holds it all and reads it back.
  void switchLanguageInOneByteSets_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("refused");  // the end of the message; empty: written
    QTest::newRow("cs under C") << QByteArray("C") << "cs"
                                << "\"Dal\u0161\u00ED\" cannot be written in ISO-8859-1, which has "
                                   "no \"\u0161\" (U+0161)";
    QTest::newRow("sk under C") << QByteArray("C") << "sk"
                                << "\"\u0160tart:\" cannot be written in ISO-8859-1, which has "
                                   "no \"\u0160\" (U+0160)";
    QTest::newRow("pl under POSIX") << QByteArray("POSIX") << "pl"
                                    << "\"Wej\u015Bcie 1:\" cannot be written in ISO-8859-1, "
                                       "which has no \"\u015B\" (U+015B)";
    QTest::newRow("de under C") << QByteArray("C") << "de" << QString();
    QTest::newRow("cs in ISO-8859-2") << QByteArray("cs_CZ.ISO-8859-2") << "cs" << QString();
    QTest::newRow("pl in ISO-8859-2") << QByteArray("pl_PL.ISO-8859-2") << "pl" << QString();
  }
  void switchLanguageInOneByteSets() {
    QFETCH(QByteArray, locale);
    QFETCH(QString, code);
    QFETCH(QString, refused);
    LocaleScope scope(locale);
    const QByteArray before = "[Form]\r\nTop=7\r\n";
    const QString file = make(before);
    QString message;
    try {
      SwitchLanguage({file, QString()}, code);
    } catch (const EIniFileError& e) {
      message = e.Message;
    }
    if (!refused.isEmpty()) {
      QCOMPARE(message, "Unable to write to " + file + ". The text " + refused);
      QCOMPARE(load(file), before);
      return;
    }
    QCOMPARE(message, QString());
    Store store;
    ReadAllSettings(IniFile(file), store.bindings);
    const IniFile shipped(TranslationFile(code), FileCharset::Utf8());
    for (const char* key : {"Sort", "SMS Start:", "Load SIM", "Language"})
      QCOMPARE(store.values.value(QStringLiteral("Language/") + key).toString(),
               shipped.ReadString("Language", key, QString()));
    QCOMPARE(store.values.value("Form/Top"), QVariant(7));
  }
};

QTEST_GUILESS_MAIN(TestSettingsTables)
#include "test_settings_tables.moc"
