// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of the settings file: which control or variable each key belongs to.
#include "settings/FormSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>

#include "app/Application.h"
#include "app/Form1.h"
#include "app/MonitorView.h"
#include "app/Widgets.h"
#include "phonebook/NameValueGrid.h"
#include "settings/IniFile.h"
#include "settings/MessageTexts.h"
#include "settings/SettingBindings.h"
#include "settings/SettingsLocation.h"
#include "settings/Translations.h"
#include "settings/WindowPlace.h"

namespace {

using Setter = std::function<void(const QVariant&)>;

// Text of a label, button, check box or edit.
template <class W>
Setter setText(W* w) {
  return [w](const QVariant& v) { w->setText(v.toString()); };
}
template <class W>
std::function<QVariant()> getText(W* w) {
  return [w] { return QVariant(w->text()); };
}
template <class W>
SettingBinding text(const char* key, W* w) {
  return {key, getText(w), {setText(w)}};
}

// The title of one group box or of several.
SettingBinding title(const char* key, std::initializer_list<QGroupBox*> groups) {
  SettingBinding b{key, [g = *groups.begin()] { return QVariant(g->title()); }, {}};
  for (QGroupBox* g : groups)
    b.set.push_back([g](const QVariant& v) { g->setTitle(v.toString()); });
  return b;
}

// A column title of one grid or of several: each grid with the column it heads.
SettingBinding columnTitle(const char* key,
                           std::initializer_list<std::pair<TNameValueGrid*, int>> columns) {
  const auto first = *columns.begin();
  SettingBinding b{key, [first] { return QVariant(first.first->Title(first.second)); }, {}};
  for (const auto& [grid, col] : columns)
    b.set.push_back(
        [grid = grid, col = col](const QVariant& v) { grid->SetTitle(col, v.toString()); });
  return b;
}

// What a screen reader calls the widget.
SettingBinding accessibleName(const char* key, QWidget* w) {
  return {key, [w] { return QVariant(w->accessibleName()); }, {[w](const QVariant& v) {
            w->setAccessibleName(v.toString());
          }}};
}

// The word a screen reader hears for one state of the traffic indicator.
SettingBinding stateWord(const char* key, TShape* shape, const char* english) {
  const QString state = QString::fromLatin1(english);
  return {key,
          [shape, state] { return QVariant(shape->StateWord(state)); },
          {[shape, state](const QVariant& v) { shape->SetStateWord(state, v.toString()); }}};
}

// A word of a status panel: the panel shows it, after a blank, until the link fills it in.
SettingBinding panelWord(const char* key, TForm1* f, QString& word, int panel) {
  return {key, [&word] { return QVariant(word); }, {[f, &word, panel](const QVariant& v) {
            word = v.toString();
            f->StatusBar1->SetPanelText(panel, QLatin1Char(' ') + word);
          }}};
}

SettingBinding tab(const char* key, QTabWidget* tabs, QWidget* page) {
  return {
      key,
      [tabs, page] { return QVariant(tabs->tabText(tabs->indexOf(page))); },
      {[tabs, page](const QVariant& v) { tabs->setTabText(tabs->indexOf(page), v.toString()); }}};
}

// A hint read into the first widget and copied to the others; written back from the first.
SettingBinding hint(const char* key, std::initializer_list<QWidget*> widgets) {
  SettingBinding b{key, [w = *widgets.begin()] { return QVariant(w->toolTip()); }, {}};
  for (QWidget* w : widgets)
    b.set.push_back([w](const QVariant& v) { w->setToolTip(v.toString()); });
  return b;
}

// Kept on the widget without showing it as a tooltip.
SettingBinding silentHint(const char* key, QWidget* w) {
  return {key, [w] { return w->property(StoredHintProperty); }, {[w](const QVariant& v) {
            w->setProperty(StoredHintProperty, v.toString());
          }}};
}

// The caption of a context menu entry, shared by the grids.
SettingBinding action(const char* key, std::initializer_list<QAction*> actions) {
  SettingBinding b{key, [a = *actions.begin()] { return QVariant(a->text()); }, {}};
  for (QAction* a : actions) b.set.push_back([a](const QVariant& v) { a->setText(v.toString()); });
  return b;
}

SettingBinding enabled(const char* key, QWidget* w, QWidget* window) {
  return {key, [w, window] { return QVariant(w->isEnabledTo(window)); }, {[w](const QVariant& v) {
            w->setEnabled(v.toBool());
          }}};
}

// The window's position, as move() sets it and pos() reports it.
SettingBinding position(const char* key, QWidget* w, bool top) {
  return {key, [w, top] { return QVariant(top ? w->y() : w->x()); }, {[w, top](const QVariant& v) {
            w->move(top ? w->x() : v.toInt(), top ? v.toInt() : w->y());
          }}};
}

// Language labels the translation: status panel 3 shows it, after the version.
SettingBinding versionPart(const char* key, TForm1* f, QString& part) {
  return {key, [&part] { return QVariant(part); }, {[f, &part](const QVariant& v) {
            part = v.toString();
            f->ShowVersion();
          }}};
}

AllBindings bindings(TForm1* f) {
  TForm1& F = *f;
  MessageTexts& M = F.Messages;
  return {{
      {
          position("Top", f, true),
          position("Left", f, false),
          bindVariable("MaxLengthNumber", F.MaxLengthNumber),
          enabled("SMS4", F.Label11, f),
          enabled("SMS5", F.Label12, f),
          enabled("SMS6", F.Label13, f),
          text("RelA", F.RelA),
          text("RelB", F.RelB),
          text("File", F.SaveFile),
      },
      {
          versionPart("Language", f, F.LanguageLabel),
          text("SMS Start:", F.Label6),
          text("SMS Input1:", F.Label9),
          text("SMS Input2:", F.Label10),
          text("SMS blank1:", F.Label11),
          text("SMS blank2:", F.Label12),
          text("SMS blank3:", F.Label13),
          text("Phone:", F.Label7),
          text("Text:", F.Label8),
          text("Signal strength", F.Label19),
          {"Find", getText(F.Find), {setText(F.Find), setText(F.MonitorFind)}},
          text("Find Next", F.FindNext),
          text("Sort", F.Sort),
          text("Phone Book in SIM", F.PhoneBook),
          text("Load SIM", F.LoadPHONE),
          text("Overwrite SIM", F.SavePhone),
          text("Add To SIM", F.AddToSIM),
          text("Load SMSs", F.ButtonLoadSMS),
          text("Save SMSs", F.ButtonSaveSMS),
          text("Delete SMSs", F.ButtonDeleteSMS),
          title("SMSs in SIM", {F.GroupBox1}),
          {"Load", getText(F.LoadSMSPC), {setText(F.LoadSMSPC), setText(F.LoadSIMPC)}},
          {"Save",
           getText(F.SaveSMSPC),
           {setText(F.SaveSMSPC), setText(F.SaveSIMPC), setText(F.SaveMonitor)}},
          tab("PHONE", F.PageControl1, F.PHONE),
          tab("SMS", F.PageControl1, F.SMS),
          tab("MONITOR", F.PageControl1, F.TabSheet1),
          text("Verify Phone Book", F.Test),
          text("Autoverify", F.Autoverify),
          {"Copy",
           [a = F.PhoneBook1->CopyAction()] { return QVariant(a->text()); },
           {[a = F.PhoneBook1->CopyAction()](const QVariant& v) { a->setText(v.toString()); },
            [a = F.AdmisRec->CopyAction()](const QVariant& v) { a->setText(v.toString()); },
            [m = F.Monitor](const QVariant& v) { m->CopyCaption = v.toString(); }}},
          action("Paste", {F.PhoneBook1->PasteAction(), F.AdmisRec->PasteAction()}),
          action("Undo", {F.PhoneBook1->UndoAction(), F.AdmisRec->UndoAction()}),
          bindVariable("Locale", F.Words.Locale),
          tab("ADMISSIONS", F.PageControl1, F.Admissions),
          title("SIM", {F.GroupBox4, F.GroupBox2}),
          title("PC", {F.GroupBox5, F.GroupBox3}),
          title("Info", {F.Info}),
          columnTitle("Name column", {{F.PhoneBook1, 0}, {F.AdmisRec, 1}}),
          columnTitle("Phone column", {{F.PhoneBook1, 1}}),
          columnTitle("Date column", {{F.AdmisRec, 0}}),
          title("Relay A", {F.RelaisA}),
          title("Relay B", {F.RelaisB}),
          title("Storage Records", {F.Storage}),
          text("Automatically per day", F.Automat),
          text("to file:", F.Label29),
          text("Save admissions", F.Sav),
          bindVariable("default [3s]", F.Words.DefaultRtime),
          panelWord("Operator:", f, F.Words.Operator, 0),
          panelWord("SMS centrum:", f, F.Words.Centre, 1),
          panelWord("SIM:", f, F.Words.Sim, 2),
          versionPart("Ver:", f, F.Words.Version),
          bindVariable("Select Port", F.PortChoice.title),
          bindVariable("The configured serial port is not valid.", F.PortChoice.notValid),
          bindVariable("Please choose another port.", F.PortChoice.chooseAnother),
          bindVariable("OK", F.PortChoice.ok),
          bindVariable("Cancel", F.PortChoice.cancel),
          bindVariable("Yes", F.Words.Yes),
          bindVariable("No", F.Words.No),
          bindVariable("Folder", F.Words.Folder),
          bindVariable("File without type", F.Words.File),
          bindVariable("Drive", F.Words.Drive),
          bindVariable("File of type", F.Words.FileOfType),
          bindVariable("Select All", F.Monitor->SelectAllCaption),
          accessibleName("Link countdown", F.Gauge1),
          accessibleName("Traffic indicator", F.LED),
          stateWord("Traffic off", F.LED, "off"),
          stateWord("Traffic data", F.LED, "yellow"),
          stateWord("Traffic error", F.LED, "red"),
          accessibleName("Transfer", F.Prenos),
          accessibleName("Transfer progress", F.Prubeh),
          accessibleName("Waiting for the unit", F.Cekani),
          text("Time", F.MonitorTimes),
          text("Clear", F.MonitorClear),
      },
      MessageBindings(M),
      {
          hint("Phone numbers", {F.Numbers}),
          hint("Find", {F.Find}),
          hint("FindNext", {F.FindNext}),
          hint("Sort", {F.Sort}),
          hint("FindName", {F.FindName}),
          hint("FindPhone", {F.FindPhone}),
          hint("LoadSMSPC", {F.LoadSMSPC}),
          hint("SaveSMSPC", {F.SaveSMSPC}),
          hint("LoadSIMPC", {F.LoadSIMPC}),
          hint("SaveSIMPC", {F.SaveSIMPC}),
          hint("SMeter", {F.Smeter}),
          hint("CountDown", {F.Gauge1}),
          {"Indicator",
           [f] { return f->LED->property(StoredHintProperty); },
           {[f](const QVariant& v) {
             f->LED->setProperty(StoredHintProperty, v.toString());
             f->ShowPort();
           }}},
          hint("ADMIN",
               {F.Label1, F.Label2, F.Label3, F.Label4, F.Label5, F.Label14, F.Label15, F.Label16}),
          hint("ALARM",
               {F.Label17, F.Label20, F.Label21, F.Label22, F.Label23, F.Label24, F.Label25}),
          hint("ALARM8", {F.Label26}),
          hint("RTIME", {F.Label28}),
          hint("CREDIT", {F.Label18}),
          hint("OPERATOR", {F.Label27}),
          hint("Phone number in international format.",
               {F.ADMIN1,    F.ADMIN2,    F.ADMIN3,    F.ADMIN4,   F.ADMIN5,    F.ADMIN6,
                F.ADMIN7,    F.ADMIN8,    F.ALARM1,    F.ALARM2,   F.ALARM3,    F.ALARM4,
                F.ALARM5,    F.ALARM6,    F.ALARM7,    F.ALARM8,   F.SMSPhone1, F.SMSPhone2,
                F.SMSPhone3, F.SMSPhone4, F.SMSPhone5, F.SMSPhone6}),
          hint("CRED.CODE", {F.CRED}),
          hint("Load SIM", {F.LoadPHONE}),
          hint("Overwrite SIM", {F.SavePhone}),
          silentHint("Add To SIM", F.AddToSIM),
          hint("PhoneBook", {F.PhoneBook1}),
          hint("AdmisRec", {F.AdmisRec}),
          hint("Verify", {F.Test}),
          hint("Autoverify", {F.Autoverify}),
          hint("Info", {F.Info}),
          hint("SMS Text",
               {F.SMSText1, F.SMSText2, F.SMStext3, F.SMStext4, F.SMStext5, F.SMSText6}),
          hint("SMS Monitor", {F.SMSs}),
          hint("Load SMSs", {F.ButtonLoadSMS}),
          hint("Save SMSs", {F.ButtonSaveSMS}),
          hint("Delele SMSs", {F.ButtonDeleteSMS}),
          hint("Monitor", {F.Monitor}),
          hint("SaveMonitor", {F.SaveMonitor}),
          hint("RelayA", {F.RelaisA}),
          hint("RelayB", {F.RelaisB}),
          {"Serial port", [f] { return QVariant(f->PortHint); }, {[f](const QVariant& v) {
             f->PortHint = v.toString();
             f->ShowPort();
           }}},
      },
  }};
}

}  // namespace

void TForm1::ReadSettings() {
  const SettingsPlace place = LocateSettings(Env.programFile, Env.configDir);
  const QString from = place.readFrom();
  bool read = false;
  if (!Env.language.isEmpty() && !QFileInfo::exists(from)) {
    // A first start speaks the user's language: the texts as the new file will hold them.
    IniFile first(place.file);
    try {
      PutTranslation(first, Env.language);
      ReadAllSettings(first, bindings(this));
      read = true;
    } catch (const EIniFileError& e) {
      // The file's character set cannot hold them; English, which it can, and the window opens.
      ReportError(e.Message);
    }
  }
  if (!read) ReadAllSettings(IniFile(from), bindings(this));
  // The texts' language: the forms of counted texts, the errors raised below the window, and
  // Qt's own dialogs and buttons follow it.
  Messages.Language = TextsLanguage(Words.Locale, LanguageLabel);
  SetErrorTexts(Messages);
  UseQtTranslations(Messages.Language,
                    {{"QPlatformTheme", "OK", PortChoice.ok},
                     {"QPlatformTheme", "Cancel", PortChoice.cancel},
                     {"QPlatformTheme", "&Yes", Words.Yes},
                     {"QPlatformTheme", "&No", Words.No},
                     {"QAbstractFileIconProvider", "Folder", Words.Folder},
                     {"QAbstractFileIconProvider", "File", Words.File},
                     {"QAbstractFileIconProvider", "Drive", Words.Drive},
                     {"QAbstractFileIconProvider", "%1 File", Words.FileOfType}});
  // Top and Left from another desk: a window nobody can reach opens where it does by default.
  QList<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
  move(WindowPlace(pos(), frameGeometry().size(), screens,
                   style()->pixelMetric(QStyle::PM_TitleBarHeight), QPoint(200, 200)));
}

void TForm1::ShowVersion() {
  StatusBar1->SetPanelText(3, Words.Version + QStringLiteral(" 3.0  ") + LanguageLabel);
}

void TForm1::WriteSettings() {
  const SettingsPlace place = LocateSettings(Env.programFile, Env.configDir);
  PrepareSettingsFile(place);
  IniFile ini(place.file);
  WriteAllSettings(ini, bindings(this));
  ini.UpdateFile();
}
