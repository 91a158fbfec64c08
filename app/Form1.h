// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window. Declared once here; its member functions are defined in the folder of
// the subsystem they belong to (phonebook/EntryCheck.cpp, files/FileButtons.cpp, ...). The
// device link is the link core's (link/LinkCore.h); app/WindowFace.cpp shows it.
#include <QByteArray>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "link/LinkCore.h"
#include "platform/Dialogs.h"
#include "settings/MessageTexts.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;
class Clock;
class DeferredDialogs;
class Dialogs;
class SerialDeviceFactory;
class TAnimate;
class TBarGauge;
class TComPort;
class TMonitorView;
class TNameValueGrid;
class TPieGauge;
class TShape;
class TStatusBar;
struct SheetEntries;

// What the window receives from the outside world (real Qt ones, or test doubles).
struct FormEnvironment {
  Dialogs* dialogs = nullptr;
  Clock* clock = nullptr;
  SerialDeviceFactory* serial = nullptr;
  QString programFile;  // full path of the program file
  QString configDir;    // the user's configuration folder (empty: none)
  QString language;     // the shipped translation a first start takes ("cs"; empty: English)
};

// The window: the face of the link core (LinkCore) that a person uses. It shows and edits the
// core's data and hands its clicks to the core.
class TForm1 : public QWidget, public LinkFace {
  Q_OBJECT

 public:
  explicit TForm1(const FormEnvironment& env, QWidget* parent = nullptr);
  ~TForm1() override;

  // Runs fn as one event of the program; an error that ends it goes to the standard error report.
  void guarded(const std::function<void()>& fn);
  // The standard error report: error box, caption "ZUL Set", full stop added where due. kind
  // (the error's class; empty: its text) and tag as DeferredDialogs::report takes them.
  void ReportError(const QString& message, const QString& kind = QString(), int tag = 0);
  // The tag of the box that tells of a port gone away: closed once the port is open again.
  static constexpr int PortLostBox = 1;

  // ---- application shell (app/) ----
  void FormCreate();
  // Returns false when the settings could not be written (the window closes all the same).
  bool FormClose();
  void LockButtons();
  void UnlockButtons();
  void ClearInfo();
  QString settingsFileName() const;

  // ---- closing (app/Closing.cpp) ----
  // Admission records in no file yet.
  bool AdmissionsPending() const;
  // Asks first when closing would lose records or cut a write to the SIM short; true: close.
  bool MayClose();
  // An end the program cannot refuse: the pending records go to RescueFileName() (once).
  void RescueAdmissions();
  QString RescueFileName() const;
  // At start: tells of records an earlier end put there, under a name of their own.
  void TellOfRescuedAdmissions();

  // ---- settings file (settings/FormSettings.cpp) ----
  void ReadSettings();   // creation steps 2 to 4
  void WriteSettings();  // the whole of FormClose

  // ---- the link core's face (app/WindowFace.cpp) ----
  void Timer1Timer();
  void LoadPHONEClick();
  void SavePhoneClick();
  void AddToSIMClick();
  void ButtonLoadSMSClick();
  void ButtonSaveSMSClick();
  void ButtonDeleteSMSClick();
  void Told(const Notice& notice) override;
  void UnattendedWork(bool begins) override;
  void StatusChanged(Status what) override;
  void LineReceived(const QByteArray& line) override;
  void PhoneBookChanged(BookChange change) override;
  void SmsPairChanged(int pair, bool phone) override;
  void SmsListChanged(bool emptied, const QByteArray& added) override;
  void AdmissionsChanged(LogChange change) override;
  QString ChainName(Chain chain) const override;
  // The port in use, for whoever looks at the link indicator or the status bar; the status
  // panels say when it is lost and show the unit again once it is back.
  void ShowPort();
  void ShowPortLost(bool lost);
  QString PortHint = QStringLiteral("Serial port: %1");  // [Help] Serial port
  bool PortLost = false;

  // ---- phone book (phonebook/) ----
  void PhoneBook1StringsChange();  // EntryCheck.cpp
  void TestClick();
  void PhoneBook1Paste();  // PhoneBookPaste.cpp
  void FindClick();        // SearchSort.cpp
  void FindNextClick();
  void SortClick();

  // ---- SMS templates (sms/) ----
  void SmsEditChange(QLineEdit* edit, bool phone);  // the twelve change handlers

  // ---- admissions (app/WindowFace.cpp; the log itself is the core's) ----
  void RelAChange();
  void SavClick();

  // ---- files (files/) ----
  void LoadSIMPCClick();
  void SaveSIMPCClick();
  void LoadSMSPCClick();
  void SaveSMSPCClick();
  void SaveMonitorClick();
  // The phone book Load once its file is chosen (.phb or .csv; none: cancelled): row 1
  // current, the file's entries, then Numbers and the Info panel.
  void LoadPhoneBook(const QString& fileName);
  void LoadSmsFile(const QString& fileName);
  // Why a spreadsheet's text cannot go into the phone book, in the settings' words; empty
  // when it can.
  QString SheetFaultText(const SheetEntries& entries) const;
  // Asks whether numbers a spreadsheet may have stripped of "+" or zeros are taken as they
  // are; true when there are none.
  bool TakeUnprefixed(const SheetEntries& entries);
  void AcceptFileDrops();  // FileDrops.cpp
  void FormDropFiles(const QStringList& fileNames);

  // ---- controls ----
  QTabWidget* PageControl1 = nullptr;
  QWidget* PHONE = nullptr;
  QWidget* SMS = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* Admissions = nullptr;
  QLabel* Image4 = nullptr;  // page backgrounds
  QLabel* Image5 = nullptr;
  QLabel* Image1 = nullptr;

  // indicator strip and status bar
  QLabel* Label19 = nullptr;
  TBarGauge* Smeter = nullptr;
  TAnimate* Prenos = nullptr;
  QProgressBar* Prubeh = nullptr;
  TShape* LED = nullptr;
  TAnimate* Cekani = nullptr;
  TPieGauge* Gauge1 = nullptr;
  TStatusBar* StatusBar1 = nullptr;

  // PHONE page
  QLabel* PhoneBook = nullptr;
  TNameValueGrid* PhoneBook1 = nullptr;
  QLabel* Numbers = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QPushButton* LoadPHONE = nullptr;
  QPushButton* SavePhone = nullptr;
  QPushButton* AddToSIM = nullptr;
  QGroupBox* GroupBox5 = nullptr;
  QPushButton* LoadSIMPC = nullptr;
  QPushButton* SaveSIMPC = nullptr;
  QGroupBox* Info = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
         *Label5 = nullptr, *Label14 = nullptr, *Label15 = nullptr, *Label16 = nullptr;
  QLabel *Label17 = nullptr, *Label20 = nullptr, *Label21 = nullptr, *Label22 = nullptr,
         *Label23 = nullptr, *Label24 = nullptr, *Label25 = nullptr, *Label26 = nullptr;
  QLabel *Label28 = nullptr, *Label18 = nullptr, *Label27 = nullptr;
  QLabel *ADMIN1 = nullptr, *ADMIN2 = nullptr, *ADMIN3 = nullptr, *ADMIN4 = nullptr,
         *ADMIN5 = nullptr, *ADMIN6 = nullptr, *ADMIN7 = nullptr, *ADMIN8 = nullptr;
  QLabel *ALARM1 = nullptr, *ALARM2 = nullptr, *ALARM3 = nullptr, *ALARM4 = nullptr,
         *ALARM5 = nullptr, *ALARM6 = nullptr, *ALARM7 = nullptr, *ALARM8 = nullptr;
  QLabel *RTIME = nullptr, *CRED = nullptr, *OPER = nullptr;
  QGroupBox* GroupBox6 = nullptr;
  QLineEdit* FindName = nullptr;
  QLineEdit* FindPhone = nullptr;
  QPushButton* Find = nullptr;
  QPushButton* FindNext = nullptr;
  QPushButton* Sort = nullptr;
  QCheckBox* Autoverify = nullptr;
  QPushButton* Test = nullptr;

  // SMS page
  QLabel* Label7 = nullptr;  // "Phone:"
  QLabel* Label8 = nullptr;  // "Text:"
  QLabel *Label6 = nullptr, *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr,
         *Label12 = nullptr, *Label13 = nullptr;
  QLineEdit *SMSPhone1 = nullptr, *SMSPhone2 = nullptr, *SMSPhone3 = nullptr, *SMSPhone4 = nullptr,
            *SMSPhone5 = nullptr, *SMSPhone6 = nullptr;
  QLineEdit *SMSText1 = nullptr, *SMSText2 = nullptr, *SMStext3 = nullptr, *SMStext4 = nullptr,
            *SMStext5 = nullptr, *SMSText6 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QPlainTextEdit* SMSs = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QPushButton* ButtonLoadSMS = nullptr;
  QPushButton* ButtonSaveSMS = nullptr;
  QPushButton* ButtonDeleteSMS = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QPushButton* LoadSMSPC = nullptr;
  QPushButton* SaveSMSPC = nullptr;

  // MONITOR page
  TMonitorView* Monitor = nullptr;
  QPushButton* SaveMonitor = nullptr;
  QCheckBox* MonitorTimes = nullptr;
  QLineEdit* MonitorFindText = nullptr;
  QPushButton* MonitorFind = nullptr;
  QPushButton* MonitorClear = nullptr;

  // ADMISSIONS page
  TNameValueGrid* AdmisRec = nullptr;
  QGroupBox* RelaisA = nullptr;
  QLineEdit* RelA = nullptr;
  QGroupBox* RelaisB = nullptr;
  QLineEdit* RelB = nullptr;
  QGroupBox* Storage = nullptr;
  QFrame* Panel1 = nullptr;
  QCheckBox* Automat = nullptr;
  QLabel* Label29 = nullptr;
  QLineEdit* SaveFile = nullptr;
  QPushButton* Sav = nullptr;

  // components without a place on the screen
  TComPort* ComPort1 = nullptr;
  QTimer* Timer1 = nullptr;

  // the six SIM buttons, the pairs of the SMS page, the Info value labels (in ClearInfo order)
  QPushButton* SimButtons[6] = {};
  QLineEdit* SmsPhones[6] = {};
  QLineEdit* SmsTexts[6] = {};

  // ---- state ----
  FormEnvironment Env;
  // Env.dialogs as the window uses them (Env.dialogs points here once the window exists).
  std::unique_ptr<DeferredDialogs> Boxes;
  LinkCore* Core;
  // The core's, under the names the window's handlers and tests know them by.
  LinkState& Link;
  bool& ButtonsLocked;
  MessageTexts& Messages;
  int& MaxLengthNumber;
  int StartPortNumber = 0;
  QString LanguageLabel = QStringLiteral("Eng");
  // Captions of [Language] that the window puts together with other text or hands on.
  struct Words {
    QString Locale;  // the language of the texts; empty: the one LanguageLabel names
    QString Operator = QStringLiteral("Operator:");
    QString Centre = QStringLiteral("SMS centrum:");
    QString Sim = QStringLiteral("SIM:");
    QString Version = QStringLiteral("Ver:");
    QString DefaultRtime = QStringLiteral("default [3s]");
    QString Yes = QStringLiteral("&Yes");  // of Qt's boxes (OK and Cancel: PortChoice's)
    QString No = QStringLiteral("&No");
    // Qt's file dialogs' types.
    QString Folder = QStringLiteral("Folder");
    QString File = QStringLiteral("File");
    QString Drive = QStringLiteral("Drive");
    QString FileOfType = QStringLiteral("%1 File");
  } Words;
  PortChoiceTexts PortChoice;
  // Status panel 3: the version and the translation's label.
  void ShowVersion();
  bool EntryFault = false;
  // While a sort or a paste runs its rows through the entry check: false until the check has
  // shown a fault, which it then shows no more for this sort or paste.
  std::optional<bool> BatchFaultShown;
  struct OneFaultBox {  // BatchFaultShown for as long as it lives
    explicit OneFaultBox(TForm1& form) : f(form) { f.BatchFaultShown = false; }
    ~OneFaultBox() { f.BatchFaultShown.reset(); }
    TForm1& f;
  };
  int FoundRow = 0;
  bool Rescued = false;

  // Marks the labels that fit their size to their caption.
  static constexpr const char* AutoSizeProperty = "AutoSize";

 private:
  void buildLayout();         // app/Layout.cpp
  void wireEvents();          // app/Form1.cpp
  void showBusy();            // app/BusyState.cpp
  bool loggingBack_ = false;  // the admissions grid is being set from the core's log
  void closeEvent(class QCloseEvent* event) override;
};
