#pragma once
// The main window. Declared once here; its member functions are defined in the folder of
// the subsystem they belong to (link/ResponseParser.cpp, phonebook/EntryCheck.cpp, ...).
#include <QByteArray>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "link/LinkState.h"

class QCheckBox;
class QDateTime;
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

// The message texts of the settings file's [Messages] section, named by their keys.
struct MessageTexts {
  QString IncorrectInternationalFormat;
  QString IncorrectNumber;
  QString NumberExceedLimit;
  QString NumberUnderLimit;
  QString NumberTooLong;
  QString IncorrectName;
  QString TooLongName;
  QString Communication;
  QString NotFinished;
  QString NoPortChosen;
  QString NoAnswer;
  QString PortLost;
  QString GridKept;
  QString NothingErased;
  QString PartlyErased;
  QString EveryRowWritten;
  QString RowsMayBeMissing;
  QString SmsListIncomplete;
  QString EverySmsSaved;
  QString SmsMayBeMissing;
  QString SmsLeftFromSlot;
  QString RowsNotWritten;
  QString EntriesNotErased;
  QString NoFreeEntry;
  QString HiddenInLastEntry;
  QString SmsNotSaved;
  QString SmsNotDeleted;
  QString AndMore;
  // What keeps a spreadsheet's text out of the phone book.
  QString NotLoaded;
  QString NotPasted;
  QString NoEntry;
  QString QuoteNotClosed;
  QString CellTooLong;
  QString EqualsInName;
  QString NumbersSpoilt;
  QString PrefixMayBeLost;
  QString TakeAsTheyAre;
  QString NotAFileToLoad;
  QString RecordsNotSaved;
  QString WriteRunning;
  QString SaveRecords;
  QString CloseAnyway;
  QString DoNotClose;
  QString RecordsKept;
};

class TForm1 : public QWidget {
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
  // One tick of Timer1 as the timer delivers it (the window harness delivers its ticks so).
  void DeliverTick();

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

  // ---- device link (link/) ----
  void ComPort1TriggerAvail(TComPort* CP, int Count);  // ResponseParser.cpp
  void HandleLine();
  void HandleOk(Owner owner);
  void OkHandling();
  void HandleCentre(const QByteArray& line);
  void HandleOperator(const QByteArray& line);
  void HandlePhoneBookSize(const QByteArray& line);
  void HandleError(Owner owner);
  void Timer1Timer();  // Watchdog.cpp
  void SignalReport(const QByteArray& line);
  void LoadPHONEClick();  // CommandSequences.cpp
  void SavePhoneClick();
  void AddToSIMClick();
  void ButtonLoadSMSClick();
  void ButtonSaveSMSClick();
  void ButtonDeleteSMSClick();
  void PhoneBookEntry(const QByteArray& line);  // PhoneBookTransfer.cpp
  void EraseStep();
  void EraseToWriteSwitch();
  void StartWriting();
  void WriteStep();
  void RowStored();
  void EndOfWrite();
  void WriteRetry();
  void SmsListHeader(const QByteArray& line);  // SmsTransfer.cpp
  void SmsListText(const QByteArray& line);
  void SmsPrompt();
  void SmsWritten(const QByteArray& line);
  void SmsDeleteStep();
  void SmsDeleteEnd();
  void SmsWriteRefused();
  void RewritePair();
  void RelayBMarker();  // CallReports.cpp
  void CallReport(const QByteArray& line);
  qint64 LinkClock() const;  // ChainWatch.cpp
  void HeardFromUnit();
  void SendForChain(const QByteArray& bytes);
  void SendAwaited(const QByteArray& command, Awaiting what);
  void ResendAwaited();
  void SendSmsList();
  void StartChain(Chain chain);
  void WatchAnswers();
  void AnswerOverdue();
  void StopChain(const QString& reason);
  QString UndoneText() const;
  void ChainDone();
  void WriteAgain(Chain chain, const QStringList& rows);
  void PortLost();
  bool TakeBackPort();
  void PortTakenBack();
  void TellUser(const QString& text);

  // ---- phone book (phonebook/) ----
  void PhoneBook1StringsChange();  // EntryCheck.cpp
  void TestClick();
  void PhoneBook1Paste();  // PhoneBookPaste.cpp
  void FindClick();        // SearchSort.cpp
  void FindNextClick();
  void SortClick();

  // ---- SMS templates (sms/) ----
  void SmsEditChange(QLineEdit* edit, bool phone);  // the twelve change handlers

  // ---- admissions (admissions/) ----
  void EnterAdmission(const QString& record, const QDateTime& at);
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
  LinkState Link;
  int StartPortNumber = 0;
  int MaxLengthNumber = 13;
  QString LanguageLabel = QStringLiteral("Eng");
  MessageTexts Messages;
  bool ButtonsLocked = false;
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
  bool BatchEnded = false;  // the phone book writer ended the current batch early

  FormEnvironment Env;
  // Env.dialogs as the window uses them (Env.dialogs points here once the window exists).
  std::unique_ptr<DeferredDialogs> Boxes;
  bool Rescued = false;

  // Marks the labels that fit their size to their caption.
  static constexpr const char* AutoSizeProperty = "AutoSize";

 private:
  void buildLayout();  // app/Layout.cpp
  void wireEvents();   // app/Form1.cpp
  void closeEvent(class QCloseEvent* event) override;
};
