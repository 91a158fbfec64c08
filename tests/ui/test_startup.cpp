// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, shutdown, the busy state and the Info panel on the real window.
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileIconProvider>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "app/Widgets.h"
#include "files/FileCharset.h"
#include "link/PortChoiceForm.h"
#include "phonebook/NameValueGrid.h"
#include "platform/QtDialogs.h"
#include "settings/Translations.h"
#include "support/LocaleScope.h"
#include "support/WindowHarness.h"

namespace {

QByteArray readFile(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Keys per section, in file order.
QMap<QString, QStringList> sections(const QByteArray& ini) {
  QMap<QString, QStringList> out;
  QString current;
  for (const QByteArray& raw : ini.split('\n')) {
    const QString line = QString::fromLatin1(raw).trimmed();
    if (line.startsWith('[')) {
      current = line.mid(1, line.indexOf(']') - 1);
      out[current];
    } else if (line.contains('=')) {
      out[current] << line.left(line.indexOf('='));
    }
  }
  return out;
}

void writeFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

// Root writes into any folder: a read-only folder means something only to another user, so
// root runs the window as nobody meanwhile (keeping the way back as its saved user).
class AsAnotherUser {
 public:
  AsAnotherUser() {
    if (geteuid() == 0) active = setresgid(65534, 65534, 0) == 0 && setresuid(65534, 65534, 0) == 0;
  }
  ~AsAnotherUser() {
    if (active && (setresuid(0, 0, 0) != 0 || setresgid(0, 0, 0) != 0)) qFatal("cannot get back");
  }

 private:
  bool active = false;
};

// Every caption that does not fit its place in a window of fixed size, on any page, as "name:
// text (needs n of m pixels)": buttons and check boxes, group titles, tabs and the grids' column
// titles, labels with a fixed width, and labels that grow with their caption within their
// parent and clear of the controls beside them.
QStringList cutOffCaptions(QWidget& f) {
  QStringList out;
  auto check = [&out](const QWidget* w, const QString& text, int needs, int has) {
    if (needs > has)
      out << QStringLiteral("%1: \"%2\" (needs %3 of %4 pixels)")
                 .arg(w->objectName(), text)
                 .arg(needs)
                 .arg(has);
  };
  // Glyphs may reach over a button's bevel, never past its outer line.
  for (QPushButton* b : f.findChildren<QPushButton*>()) {
    const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
    check(b, b->text(), b->fontMetrics().horizontalAdvance(b->text()) + icon, b->width() - 2);
  }
  for (QCheckBox* c : f.findChildren<QCheckBox*>()) {
    QStyleOptionButton opt;
    opt.initFrom(c);
    opt.text = c->text();
    check(c, c->text(), c->fontMetrics().horizontalAdvance(c->text()),
          c->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, c).width());
  }
  for (QGroupBox* g : f.findChildren<QGroupBox*>())
    check(g, g->title(), g->fontMetrics().horizontalAdvance(g->title()) + 16, g->width());
  for (const QTabWidget* pages : f.findChildren<QTabWidget*>())
    check(pages, pages->tabBar()->tabText(0) + " ...", pages->tabBar()->sizeHint().width(),
          pages->width());
  for (const TNameValueGrid* g : f.findChildren<TNameValueGrid*>()) {
    const QHeaderView* header = g->horizontalHeader();
    const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int col = 0; col < 2; ++col)
      check(g, g->Title(col), header->fontMetrics().horizontalAdvance(g->Title(col)) + margins,
            header->sectionSize(col));
  }
  for (QLabel* l : f.findChildren<QLabel*>()) {
    if (l->text().isEmpty() || l->isHidden()) continue;
    if (!l->property(TForm1::AutoSizeProperty).toBool()) {
      check(l, l->text(), l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width());
      continue;
    }
    const QRect r = l->geometry();
    check(l, l->text(), r.right() + 1, l->parentWidget()->width());
    for (QWidget* other : l->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      auto* picture = qobject_cast<QLabel*>(other);
      if (other == l || other->isHidden() || (picture && picture->text().isEmpty())) continue;
      if (r.intersects(other->geometry()))
        check(l, l->text() + " over " + other->objectName(), r.right() + 1, other->x());
    }
  }
  return out;
}

QList<QWidget*> lockable(TForm1& f) {
  return {f.LoadSIMPC, f.SaveSIMPC,     f.LoadSMSPC,     f.SaveSMSPC,       f.Sort,
          f.Find,      f.FindNext,      f.LoadPHONE,     f.SavePhone,       f.Test,
          f.AddToSIM,  f.ButtonLoadSMS, f.ButtonSaveSMS, f.ButtonDeleteSMS, f.PhoneBook1};
}

}  // namespace

class TestStartup : public QObject {
  Q_OBJECT

 private slots:
  // The window as the program shows it.
  void initTestCase() { QApplication::setStyle(QStringLiteral("Windows")); }

  void freshStartAndClose() {
    WindowHarness h;
    TForm1& f = h.form();
    QVERIFY(h.dialogs().errors.isEmpty());
    QCOMPARE(h.dialogs().portChoices, 1);
    QCOMPARE(f.StartPortNumber, 9);
    QCOMPARE(f.pos(), QPoint(200, 200));
    QCOMPARE(f.windowTitle(), QString("zulset"));
    QCOMPARE(f.StatusBar1->PanelText(3), QString("Ver: 3.0  Eng"));
    QCOMPARE(f.StatusBar1->PanelText(0), QString(" Operator:"));
    for (QWidget* w : {(QWidget*)f.SMSPhone4, (QWidget*)f.SMStext5, (QWidget*)f.SMSText6})
      QVERIFY(!w->isEnabled());
    QVERIFY(f.SMSPhone3->isEnabled());

    // The default phone book replaces the missing "blank.phb" and is written there.
    QCOMPARE(f.PhoneBook1->LineCount(), 18);
    QCOMPARE(f.PhoneBook1->Strings().first(), QString("ADMIN1="));
    QCOMPARE(f.PhoneBook1->Strings().last(), QString("OPER="));
    const QByteArray blank = readFile(h.path("blank.phb"));
    QVERIFY(blank.startsWith("ADMIN1=\r\nADMIN2=\r\n"));
    QVERIFY(blank.endsWith("ALARM8=\r\nCRED=\r\nOPER=\r\n"));
    QCOMPARE(blank.count("\r\n"), 18);
    QCOMPARE(f.RTIME->text(), QString("default [3s]"));
    QCOMPARE(f.ADMIN1->text(), QString());
    QCOMPARE(f.Numbers->text(), QString("0"));

    QVERIFY(f.Prenos->isHidden() && f.Cekani->isHidden() && f.Prubeh->isHidden());
    QVERIFY(!f.ButtonsLocked);
    QVERIFY(f.Link.CentreAsked && f.Link.AdmisFresh && !f.Link.PhoneBookFresh);
    QCOMPARE(f.Link.RelayName, QString("OUTPUT A"));
    h.run(100);
    QCOMPARE(h.received().value(0), QByteArray("ATE"));

    // Nothing is written until the window closes; then every key, in table order.
    QVERIFY(!QFile::exists(h.path("zulset.ini")));
    f.move(310, 220);
    QVERIFY(f.close());
    const auto keys = sections(readFile(h.path("zulset.ini")));
    QCOMPARE(keys.keys(), (QStringList{"Form", "Help", "Language", "Messages"}));
    QCOMPARE(keys["Form"].size(), 9);
    QCOMPARE(keys["Language"].size(), 72);
    QCOMPARE(keys["Messages"].size(), 114);
    QCOMPARE(keys["Help"].size(), 39);
    QCOMPARE(keys["Form"].mid(0, 3), (QStringList{"Top", "Left", "MaxLengthNumber"}));
    const QByteArray ini = readFile(h.path("zulset.ini"));
    QVERIFY(ini.indexOf("[Form]") < ini.indexOf("[Language]"));
    QVERIFY(ini.indexOf("[Messages]") < ini.indexOf("[Help]"));
    QVERIFY(ini.contains("Top=220\r\n") && ini.contains("Left=310\r\n"));
  }

  // A first start speaks the system's language and the close writes it into the new file; an
  // existing file is taken as it is. Where the character set cannot hold the language's texts,
  // the usual message says so and the window opens in English.
  void firstStartInTheSystemLanguage_data() {
    QTest::addColumn<QByteArray>("all");
    QTest::addColumn<QByteArray>("messages");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QByteArray>("settings");  // empty: no file
    QTest::addColumn<QString>("loadSim");      // the caption of "Load SIM"
    QTest::addColumn<QString>("tag");          // status panel 3, after the version
    QTest::addColumn<QString>("refused");      // the end of the message; empty: none
    const QString czech = QStringLiteral("Na\u010D\u00EDst SIM");
    QTest::newRow("cs_CZ.UTF-8") << QByteArray("cs_CZ.UTF-8") << QByteArray() << QByteArray()
                                 << QByteArray() << czech << "Verze: 3.0  Cz" << QString();
    QTest::newRow("en_US.UTF-8") << QByteArray("en_US.UTF-8") << QByteArray() << QByteArray()
                                 << QByteArray() << "Load SIM"
                                 << "Ver: 3.0  Eng" << QString();
    QTest::newRow("C") << QByteArray("C") << QByteArray() << QByteArray() << QByteArray()
                       << "Load SIM"
                       << "Ver: 3.0  Eng" << QString();
    QTest::newRow("LANG=de_DE.UTF-8")
        << QByteArray() << QByteArray() << QByteArray("de_DE.UTF-8") << QByteArray() << "Lesen"
        << "Vers.: 3.0  De" << QString();
    QTest::newRow("cs_CZ.ISO-8859-2")
        << QByteArray("cs_CZ.ISO-8859-2") << QByteArray() << QByteArray() << QByteArray() << czech
        << "Verze: 3.0  Cz" << QString();
    QTest::newRow("existing file") << QByteArray("cs_CZ.UTF-8") << QByteArray() << QByteArray()
                                   << QByteArray("; mine\r\n[Form]\r\nTop=7\r\n") << "Load SIM"
                                   << "Ver: 3.0  Eng" << QString();
    QTest::newRow("Czech messages, characters of C")
        << QByteArray() << QByteArray("cs_CZ.UTF-8") << QByteArray("C") << QByteArray()
        << "Load SIM"
        << "Ver: 3.0  Eng" << QStringLiteral("which has no \"\u0161\" (U+0161)");
  }
  void firstStartInTheSystemLanguage() {
    QFETCH(QByteArray, all);
    QFETCH(QByteArray, messages);
    QFETCH(QByteArray, lang);
    QFETCH(QByteArray, settings);
    QFETCH(QString, loadSim);
    QFETCH(QString, tag);
    QFETCH(QString, refused);
    LocaleScope scope(all, messages, lang);
    WindowHarness::Setup s;
    s.language = SystemLanguage();  // as the program entry does
    if (!settings.isEmpty()) s.settings = settings;
    WindowHarness h(s);
    TForm1& f = h.form();
    QCOMPARE(f.LoadPHONE->text(), loadSim);
    QCOMPARE(f.StatusBar1->PanelText(3), tag);
    QCOMPARE(f.StartPortNumber, 9);
    const QStringList errors = h.dialogs().errors;
    QCOMPARE(errors.size(), refused.isEmpty() ? 0 : 1);
    if (!refused.isEmpty()) {
      QVERIFY2(errors[0].startsWith("Unable to write to " + h.path("zulset.ini") + ". The text "),
               qPrintable(errors[0]));
      QVERIFY2(errors[0].endsWith(refused), qPrintable(errors[0]));
    }
    QCOMPARE(readFile(h.path("zulset.ini")), settings);  // nothing written before the close

    QVERIFY(f.close());
    QCOMPARE(h.dialogs().errors, errors);
    const QByteArray written = readFile(h.path("zulset.ini"));
    QVERIFY(
        written.startsWith(settings.isEmpty() ? QByteArray("[Form]\r\nTop=200\r\n") : settings));
    QVERIFY(written.contains("\r\nLoad SIM=" + FileCharset::System().Encode(loadSim) + "\r\n"));
    QVERIFY(written.contains("\r\nLanguage=" + tag.section(' ', -1).toLatin1() + "\r\n"));
  }

  // Each shipped translation on a first start: every caption fits its place, in the window and
  // in "Select Port". The last row shows that the check finds captions too long for their place.
  void translationsFitTheWindow_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("cut");  // the controls whose captions are cut off
    QTest::newRow("en") << QString() << QByteArray() << QStringList();
    for (const ShippedTranslation& t : ShippedTranslations)
      QTest::newRow(t.code) << t.code << QByteArray() << QStringList();
    QTest::newRow("too long") << QString()
                              << QByteArray(
                                     "[Language]\r\nSMS Input1:=SMS Eingang 1:\r\n"
                                     "Sort=Sortieren\r\nSignal strength=Strength of the signal\r\n"
                                     "Autoverify=Verify each entry as typed\r\n"
                                     "Date column=Date and time of the call\r\n"
                                     "Cancel=Cancel the choice\r\n")
                              << QStringList{"AbortBtn", "AdmisRec", "Autoverify",
                                             "Label19",  "Label9",   "Sort"};
  }
  void translationsFitTheWindow() {
    QFETCH(QString, language);
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, cut);
    WindowHarness::Setup s;
    s.language = language;
    if (!settings.isEmpty()) s.settings = settings;
    WindowHarness h(s);
    QCOMPARE(h.dialogs().errors, QStringList());
    TPortChoiceForm ports({1, 9}, {}, h.form().PortChoice);
    const QStringList found = cutOffCaptions(h.form()) + cutOffCaptions(ports);
    QStringList names;
    for (const QString& c : found) names << c.section(':', 0, 0);
    names.sort();
    QVERIFY2(names == cut, qPrintable(found.join('\n')));
  }

  // A Czech file of an earlier version (no Locale yet): Czech in what the window composes, in
  // the plural of the close question, in "Select Port", and in Qt's own dialogs and buttons;
  // an English file brings Qt's English back.
  void qtDialogsSpeakTheWindowsLanguage() {
    LocaleScope utf8("C.UTF-8");
    QByteArray czech = readFile(TranslationFile("cs"));
    QVERIFY(czech.contains("Locale=cs\n"));
    czech.replace("Locale=cs\n", "");
    WindowHarness::Setup s;
    s.settings = czech;
    WindowHarness h(s);
    TForm1& f = h.form();
    QCOMPARE(h.dialogs().shown.value(0).caption, QStringLiteral("V\u00FDb\u011Br portu"));
    QCOMPARE(f.PageControl1->tabText(3), QStringLiteral("P\u0158\u00CDSTUPY"));
    // The errors raised below the window too.
    const QString binary = h.path("binary.phb");
    writeFile(binary, QByteArray("A\0\1", 3));
    h.dialogs().openNames << binary;
    h.click(f.LoadSIMPC);
    const QString filters =
        QStringLiteral("Telefonn\u00ED seznamy (*.phb);;Tabulky (*.csv);;Kontakty (*.vcf)");
    QCOMPARE(h.dialogs().openFilters, QStringList{filters});
    QCOMPARE(h.dialogs().errors,
             QStringList{"Soubor \"" + binary +
                         "\" nelze otev\u0159\u00EDt. Nejde o textov\u00FD soubor."});
    for (const auto& [records, told] :
         QList<QPair<int, QString>>{{1, "1 z\u00E1znam, kter\u00FD zat\u00EDm nen\u00ED"},
                                    {2, "2 z\u00E1znamy, kter\u00E9 zat\u00EDm nejsou"},
                                    {5, "5 z\u00E1znam\u016F, kter\u00E9 zat\u00EDm nejsou"}}) {
      f.AdmisRec->SetStrings(QStringList(records, "2/1/24 8:05:09 AM=ADMIN1"));
      f.Link.AdmisFresh = false;
      h.dialogs().choices << 2;  // Do not close
      QVERIFY(!f.MayClose());
      QCOMPARE(h.dialogs().shown.last().text,
               QStringLiteral("Tabulka p\u0159\u00EDstup\u016F obsahuje ") + told +
                   QStringLiteral(" v \u017E\u00E1dn\u00E9m souboru."));
    }

    // The real dialogs, as the program shows them.
    QtDialogs real(&h.serial(), {h.dir()});
    QStringList seen;
    const auto whenUp = [&seen](bool accept) {
      QTimer::singleShot(0, [&seen, accept] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        seen = QStringList{box->windowTitle()};
        for (const QLabel* l : box->findChildren<QLabel*>()) seen << l->text();
        for (const QAbstractButton* b : box->findChildren<QAbstractButton*>()) seen << b->text();
        for (const QComboBox* c : box->findChildren<QComboBox*>())
          for (int i = 0; i < c->count(); ++i) seen << c->itemText(i);
        accept ? qobject_cast<QDialog*>(box)->accept() : qobject_cast<QDialog*>(box)->reject();
      });
    };
    const auto showed = [&seen](const QStringList& texts) {
      for (const QString& t : texts)
        if (!seen.contains(t)) return t + " not in: " + seen.join(" | ");
      return QString();
    };
    whenUp(false);
    QCOMPARE(real.openFile(filters), QString());
    QCOMPARE(showed({"Otev\u0159\u00EDt", "Hledat v:", "Soubory typu:", "&Otev\u0159\u00EDt",
                     "Zru\u0161it", "Telefonn\u00ED seznamy (*.phb)", "Tabulky (*.csv)"}),
             QString());
    QCOMPARE(QFileIconProvider().type(QFileInfo(h.dir())), QStringLiteral("Slo\u017Eka"));
    whenUp(false);
    real.question("COM9", f.Messages.Communication);
    QCOMPARE(
        showed({"COM9", "&Ano", "&Ne", "Jednotka neodpov\u00EDd\u00E1, zm\u011Bnit port COM?"}),
        QString());
    whenUp(false);
    QCOMPARE(real.choosePort(f.PortChoice), 0);
    QCOMPARE(showed({"V\u00FDb\u011Br portu",
                     "Nastaven\u00FD s\u00E9riov\u00FD port je "
                     "neplatn\u00FD.",
                     "Zvolte pros\u00EDm jin\u00FD port.", "OK", "Zru\u0161it"}),
             QString());

    WindowHarness english;
    whenUp(false);
    real.question("COM9", english.form().Messages.Communication);
    QCOMPARE(showed({"&Yes", "&No"}), QString());
  }

  void settingsShapeTheWindow() {
    WindowHarness::Setup s;
    s.settings =
        "[Form]\r\nTop=40\r\nLeft=50\r\nSMS5=1\r\nRelA=Gate\r\n"
        "[Language]\r\nLanguage=DE\r\nLoad SIM=SIM laden\r\n";
    WindowHarness h(s);
    TForm1& f = h.form();
    QCOMPARE(f.pos(), QPoint(50, 40));
    QVERIFY(!f.SMSPhone4->isEnabled() && !f.SMStext4->isEnabled());
    QVERIFY(f.SMSPhone5->isEnabled() && f.SMStext5->isEnabled());
    QVERIFY(!f.SMSPhone6->isEnabled());
    QCOMPARE(f.StatusBar1->PanelText(3), QString("Ver: 3.0  DE"));
    QCOMPARE(f.LoadPHONE->text(), QString("SIM laden"));
    QCOMPARE(f.Link.RelayName, QString("Gate"));
  }

  // Two screens side by side (main() below): 1280x1024 at 0,0 and 1920x1080 at 1280,0. A
  // position no part of the window can be grabbed at opens at 200, 200; one on a screen is kept.
  void positionOnTheScreens_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<QPoint>("opened");
    QTest::newRow("first screen") << 50 << 40 << QPoint(50, 40);
    QTest::newRow("second screen") << 2100 << 150 << QPoint(2100, 150);
    QTest::newRow("across both") << 1000 << 300 << QPoint(1000, 300);
    QTest::newRow("right of both") << 3300 << 150 << QPoint(200, 200);
    QTest::newRow("below the first") << 100 << 1100 << QPoint(200, 200);
    QTest::newRow("above both") << 50 << -600 << QPoint(200, 200);
    QTest::newRow("a sliver left") << 50 << 1020 << QPoint(200, 200);
  }

  void positionOnTheScreens() {
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(QPoint, opened);
    QCOMPARE(QGuiApplication::screens().size(), 2);
    WindowHarness::Setup s;
    s.settings = QStringLiteral("[Form]\r\nTop=%1\r\nLeft=%2\r\n").arg(top).arg(left).toLatin1();
    WindowHarness h(s);
    QCOMPARE(h.form().pos(), opened);
  }

  // Each hint of [Help] reaches its controls, and only those.
  void helpHintsReachTheirControls() {
    const QList<QPair<const char*, const char*>> targets = {
        {"Phone numbers", "Numbers"},
        {"Find", "Find"},
        {"FindNext", "FindNext"},
        {"Sort", "Sort"},
        {"FindName", "FindName"},
        {"FindPhone", "FindPhone"},
        {"LoadSMSPC", "LoadSMSPC"},
        {"SaveSMSPC", "SaveSMSPC"},
        {"LoadSIMPC", "LoadSIMPC"},
        {"SaveSIMPC", "SaveSIMPC"},
        {"SMeter", "Smeter"},
        {"CountDown", "Gauge1"},
        {"Indicator", "LED"},
        {"ADMIN", "Label1 Label2 Label3 Label4 Label5 Label14 Label15 Label16"},
        {"ALARM", "Label17 Label20 Label21 Label22 Label23 Label24 Label25"},
        {"ALARM8", "Label26"},
        {"RTIME", "Label28"},
        {"CREDIT", "Label18"},
        {"OPERATOR", "Label27"},
        {"Phone number in international format.",
         "ADMIN1 ADMIN2 ADMIN3 ADMIN4 ADMIN5 ADMIN6 ADMIN7 ADMIN8 ALARM1 ALARM2 ALARM3 ALARM4 "
         "ALARM5 ALARM6 ALARM7 ALARM8 SMSPhone1 SMSPhone2 SMSPhone3 SMSPhone4 SMSPhone5 "
         "SMSPhone6"},
        {"CRED.CODE", "CRED"},
        {"Load SIM", "LoadPHONE"},
        {"Overwrite SIM", "SavePhone"},
        {"PhoneBook", "PhoneBook1"},
        {"AdmisRec", "AdmisRec"},
        {"Verify", "Test"},
        {"Autoverify", "Autoverify"},
        {"Info", "Info"},
        {"SMS Text", "SMSText1 SMSText2 SMStext3 SMStext4 SMStext5 SMSText6"},
        {"SMS Monitor", "SMSs"},
        {"Load SMSs", "ButtonLoadSMS"},
        {"Save SMSs", "ButtonSaveSMS"},
        {"Delele SMSs", "ButtonDeleteSMS"},
        {"Monitor", "Monitor"},
        {"SaveMonitor", "SaveMonitor"},
        {"RelayA", "RelaisA"},
        {"RelayB", "RelaisB"},
    };
    WindowHarness::Setup s;
    s.settings = "[Help]\r\nAdd To SIM=stored\r\n";
    for (const auto& t : targets) *s.settings += QByteArray(t.first) + "=hint " + t.first + "\r\n";
    WindowHarness h(s);
    QMap<QString, QString> expected;
    for (const auto& t : targets)
      for (const QString& name : QString(t.second).split(' '))
        expected[name] = QStringLiteral("hint ") + t.first;
    // The indicator and the status bar tell the port in use after any hint.
    const QString port = QStringLiteral("Serial port: COM9 (/dev/ttyS8)");
    expected["LED"] += "\n" + port;
    expected["StatusBar1"] = port;
    for (QWidget* w : h.form().findChildren<QWidget*>())
      if (!w->toolTip().isEmpty() || expected.contains(w->objectName()))
        QCOMPARE(w->objectName() + ": " + w->toolTip(),
                 w->objectName() + ": " + expected.value(w->objectName()));
    QCOMPARE(h.form().AddToSIM->toolTip(), QString());
    QCOMPARE(h.form().AddToSIM->property("Hint").toString(), QString("stored"));
  }

  void emptyBlankPhbStaysEmpty() {
    WindowHarness::Setup s;
    s.blankPhb = QByteArray();
    WindowHarness h(s);
    QCOMPARE(h.form().PhoneBook1->LineCount(), 0);
    QCOMPARE(h.form().PhoneBook1->RowCount(), 2);
    QCOMPARE(QFileInfo(h.path("blank.phb")).size(), 0);
  }

  void blankPhbIsLoaded() {
    WindowHarness::Setup s;
    s.blankPhb = QByteArray("ADMIN1=+420603111222\r\nRTIME=05\nDOOR=123");
    WindowHarness h(s);
    QCOMPARE(h.form().PhoneBook1->Strings(),
             (QStringList{"ADMIN1=+420603111222", "RTIME=05", "DOOR=123"}));
    QCOMPARE(h.form().ADMIN1->text(), QString("+420603111222"));
    QCOMPARE(h.form().RTIME->text(), QString("05 s"));
  }

  // A "blank.phb" that cannot be read, or cannot be created, is reported and start-up goes on
  // to its end with the default book; the box runs its own event loop, behind which nothing
  // of the running program may act: no tick, no answer handled.
  void blankPhbThatCannotBeUsed_data() {
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("error");
    QTest::newRow("unreadable") << true << "Cannot open file \"blank.phb\". ";
    // A link into a missing folder: a read-only folder is no obstacle when tests run as root.
    QTest::newRow("cannot be created") << false << "Cannot create file \"blank.phb\". ";
  }
  void blankPhbThatCannotBeUsed() {
    QFETCH(bool, exists);
    QFETCH(QString, error);
    QList<QByteArray> receivedBehindBox;
    QString monitorBehindBox;
    bool ticking = true;
    WindowHarness::Setup s;
    s.beforeStart = [&](WindowHarness& h) {
      if (exists)
        QVERIFY(QDir(h.dir()).mkdir("blank.phb"));
      else
        QVERIFY(QFile::link("missing/blank.phb", h.path("blank.phb")));
      h.dialogs().whileOpen = [&](const TestDialogs::Shown& shown) {
        if (shown.kind != TestDialogs::Kind::Error) return;
        h.clock().advance(12000);  // the unit answers "ATE" and reports
        h.settle();
        receivedBehindBox = h.received();
        for (QWidget* w : QApplication::topLevelWidgets()) {
          if (auto* f = qobject_cast<TForm1*>(w)) {
            ticking = f->Timer1->isActive();
            monitorBehindBox = f->Monitor->toPlainText();
          }
        }
      };
    };
    WindowHarness h(s);
    TForm1& f = h.form();
    QCOMPARE(h.dialogs().errors.size(), 1);
    QVERIFY2(h.dialogs().errors[0].startsWith(error), qPrintable(h.dialogs().errors[0]));
    QCOMPARE(receivedBehindBox, QList<QByteArray>{"ATE"});
    QCOMPARE(monitorBehindBox, QString());
    QVERIFY(!ticking);

    QCOMPARE(f.PhoneBook1->LineCount(), 18);
    QCOMPARE(QFileInfo(h.path("blank.phb")).isDir(), exists);
    QCOMPARE(QFileInfo(h.path("blank.phb")).isSymLink(), !exists);
    // The steps after the phone book ran.
    QVERIFY(!f.SMSPhone4->isEnabled() && !f.SMStext5->isEnabled() && !f.SMSText6->isEnabled());
    QCOMPARE(f.RTIME->text(), QString("default [3s]"));
    QVERIFY(f.Link.AdmisFresh && !f.ButtonsLocked);
    QCOMPARE(f.Link.RelayName, QString("OUTPUT A"));
    QVERIFY(f.Prenos->isHidden() && f.Cekani->isHidden());

    // What waited behind the box is handled now, in order.
    h.run(1000);
    QCOMPARE(h.received().mid(0, 2), (QList<QByteArray>{"ATE", "AT+COPS?"}));
    QVERIFY(f.Monitor->toPlainText().contains("+CSQ: 18,99"));
  }

  // Cancel in "Select Port": one error box, the window is not meant to show, nothing written.
  void cancelledPortChoice() {
    WindowHarness::Setup s;
    s.port = 0;
    s.settings = "; hand-written\r\n[Form]\r\nTop=7\r\n";
    WindowHarness h(s);
    QCOMPARE(h.dialogs().errors,
             QStringList{"The ComNumber property of the TComPort has not been set."});
    QCOMPARE(h.form().StartPortNumber, 0);
    // Creation stopped at the failed send: no default phone book was put in place.
    QVERIFY(!QFile::exists(h.path("blank.phb")));
    QCOMPARE(readFile(h.path("zulset.ini")), QByteArray("; hand-written\r\n[Form]\r\nTop=7\r\n"));
  }

  void programUnderAnotherName() {
    WindowHarness::Setup s;
    s.programName = "gate.tool.exe";
    s.settings = "[Language]\r\nLanguage=CZ\r\n";
    WindowHarness h(s);
    QCOMPARE(h.form().windowTitle(), QString("gate.tool"));
    QCOMPARE(h.form().settingsFileName(), h.path("gate.tool.ini"));
    QCOMPARE(h.form().StatusBar1->PanelText(3), QString("Ver: 3.0  CZ"));
    h.form().close();
    QVERIFY(readFile(h.path("gate.tool.ini")).contains("Language=CZ"));
    QVERIFY(!QFile::exists(h.path("zulset.ini")));
  }

  // The file beside the program while its folder can be written; otherwise the user's own
  // file, which starts as a copy of the one beside the program.
  void settingsWhereTheyCanBeWritten_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QByteArray>("beside");  // empty: no such file
    QTest::addColumn<QByteArray>("own");     // the user's file; empty: none
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("writtenBeside");
    const QByteArray de = "; from the installer\r\n[Language]\r\nLanguage=DE\r\n";
    const QByteArray cz = "[Language]\r\nLanguage=CZ\r\n";
    QTest::newRow("writable folder") << false << de << cz << "DE" << true;
    QTest::newRow("read-only folder, first start") << true << de << QByteArray() << "DE" << false;
    QTest::newRow("read-only folder, own file") << true << de << cz << "CZ" << false;
    QTest::newRow("read-only folder, no file")
        << true << QByteArray() << QByteArray() << "Eng" << false;
  }
  void settingsWhereTheyCanBeWritten() {
    QFETCH(bool, readOnly);
    QFETCH(QByteArray, beside);
    QFETCH(QByteArray, own);
    QFETCH(QString, language);
    QFETCH(bool, writtenBeside);
    QTemporaryDir home;
    QFile::setPermissions(home.path(), QFile::Permissions(0x7777));  // open to the other user
    const QString config = home.filePath("config/zulset");           // made when first needed
    if (!own.isEmpty()) {
      QVERIFY(QDir().mkpath(config));
      QFile::setPermissions(config, QFile::Permissions(0x7777));
      writeFile(config + "/zulset.ini", own);
      QFile::setPermissions(config + "/zulset.ini", QFile::Permissions(0x6666));
    }
    WindowHarness::Setup s;
    if (!beside.isEmpty()) s.settings = beside;
    s.blankPhb = "ADMIN1=\r\n";
    s.configDir = config;
    std::optional<AsAnotherUser> other;
    s.beforeStart = [&](WindowHarness& h) {
      if (!readOnly) return;
      QVERIFY(QFile::setPermissions(h.dir(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                 QFile::ExeGroup | QFile::ReadOther |
                                                 QFile::ExeOther));
      other.emplace();
    };
    WindowHarness h(s);
    const QString ownFile = config + "/zulset.ini";
    QCOMPARE(h.form().settingsFileName(), writtenBeside ? h.path("zulset.ini") : ownFile);
    QCOMPARE(h.form().StatusBar1->PanelText(3), "Ver: 3.0  " + language);
    h.form().move(77, 66);
    h.form().close();
    other.reset();
    QFile::setPermissions(h.dir(), QFile::Permissions(0x7755));
    QCOMPARE(h.dialogs().errors, QStringList());

    const QByteArray written = readFile(writtenBeside ? h.path("zulset.ini") : ownFile);
    QVERIFY(written.contains("Left=77\r\n"));
    QVERIFY(written.contains("Language=" + language.toLatin1() + "\r\n"));
    // The file beside a read-only program is only read; its lines go on in the user's file.
    QCOMPARE(readFile(h.path("zulset.ini")), writtenBeside ? written : beside);
    if (!writtenBeside && own.isEmpty() && !beside.isEmpty())
      QVERIFY(written.startsWith("; from the installer\r\n"));
    if (writtenBeside) QCOMPARE(readFile(ownFile), own);
  }

  // A settings file that cannot be written is reported, and the window closes all the same.
  void unwritableSettingsStillClose() {
    WindowHarness h;
    QVERIFY(QDir(h.dir()).mkdir("zulset.ini"));  // a folder where the file should be
    QVERIFY(h.form().close());
    QCOMPARE(h.dialogs().errors, QStringList{"Unable to write to " + h.path("zulset.ini") + "."});
    QVERIFY(!h.form().isVisible());
  }

  void errorReportAddsFullStop() {
    WindowHarness h;
    h.dialogs().clear();
    h.form().ReportError("Device already open");
    h.form().ReportError("Ends with a stop.");
    h.form().ReportError("Closing bracket)");
    h.form().ReportError("");
    QCOMPARE(h.dialogs().errors,
             (QStringList{"Device already open.", "Ends with a stop.", "Closing bracket)", ""}));
  }

  void busyState() {
    WindowHarness h;
    TForm1& f = h.form();
    f.LockButtons();
    f.LockButtons();
    for (QWidget* w : lockable(f)) QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(f.SaveMonitor->isEnabled() && f.FindName->isEnabled() && f.Autoverify->isEnabled());
    f.UnlockButtons();
    QVERIFY(!f.ButtonsLocked);
    for (QWidget* w : lockable(f)) QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));

    // Unlocking while idle does not undo what the watchdog disabled.
    f.LoadPHONE->setEnabled(false);
    f.UnlockButtons();
    QVERIFY(!f.LoadPHONE->isEnabled());
  }

  void clearInfoTakesLastOfEachReservedName() {
    WindowHarness h;
    TForm1& f = h.form();
    f.PhoneBook1->SetStrings({"CRED=*101#", "admin1=1", "ADMIN1 =2", "ADMIN1=3", "CRED=*102#",
                              "RTIME=5", "ALARM8=88", "OPER=4", "noequals", "ADMIN9=9"});
    f.ClearInfo();
    QCOMPARE(f.CRED->text(), QString("*102#"));
    QCOMPARE(f.ADMIN1->text(), QString("3"));
    QCOMPARE(f.RTIME->text(), QString("5 s"));
    QCOMPARE(f.ALARM8->text(), QString("88"));
    QCOMPARE(f.OPER->text(), QString("4"));
    QCOMPARE(f.ADMIN2->text(), QString());

    f.PhoneBook1->SetStrings({"RTIME=", "X=1"});
    f.ClearInfo();
    QCOMPARE(f.RTIME->text(), QString(" s"));
    QCOMPARE(f.CRED->text(), QString());
    QCOMPARE(f.ADMIN1->text(), QString());
  }
};

int main(int argc, char** argv) {
  // Qt's offscreen platform takes its screens from a file.
  QTemporaryDir dir;
  const QString screens = dir.filePath(QStringLiteral("screens.json"));
  QFile file(screens);
  if (!file.open(QIODevice::WriteOnly) || file.write(R"({"screens": [
        {"name": "A", "x": 0, "y": 0, "width": 1280, "height": 1024},
        {"name": "B", "x": 1280, "y": 0, "width": 1920, "height": 1080}]})") < 0)
    return 1;
  file.close();
  if (qgetenv("QT_QPA_PLATFORM") == "offscreen")
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));
  QApplication app(argc, argv);
  TestStartup test;
  return QTest::qExec(&test, argc, argv);
}
#include "test_startup.moc"
