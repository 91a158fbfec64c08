// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link to the unit, without a face: the serial port, the unit's lines and their handlers,
// the command chains with their time bounds, resends and end messages, the watchdog, the call
// reports and the admission log, and the data they fill. What the user is to see or read is
// handed to a LinkFace (the window, the command line); the core never waits for it.
//
// Every entry point below is an event of the core: an error raised in it ends it and reaches
// the face as a Notice, never the caller (Start alone throws). The handlers keep the names the
// program's behaviour is described with, and live in the folder of their subsystem:
//   link/ResponseParser.cpp    ComPort1TriggerAvail, HandleLine, HandleOk, OkHandling, ...
//   link/CommandSequences.cpp  LoadPHONEClick ... ButtonDeleteSMSClick (the six SIM buttons)
//   link/PhoneBookTransfer.cpp PhoneBookEntry, EraseStep, StartWriting, WriteStep, RowStored,
//                              EndOfWrite, WriteRetry
//   link/SmsTransfer.cpp       SmsListHeader, SmsListText, SmsPrompt, SmsWritten, SmsDeleteStep,
//                              SmsDeleteRefused
//   link/Watchdog.cpp          Timer1Timer, SignalReport
//   link/ChainWatch.cpp        Settle (every retry is decided there), WatchAnswers (the time
//                              bounds), GiveUp, RefusedEveryTime, StopChain, ChainDone, echo
//   link/Exchange.h            the command in flight and the Policy table by kind
//   (ResponseParser.cpp NoteFinal/BackInStep: a final result is judged only once the barrier's
//   answer shows every answer before it is in)
//   link/CallReports.cpp       RelayBMarker, CallReport
//   admissions/AdmissionLog.cpp EnterAdmission
#include <QObject>
#include <QStringList>
#include <functional>

#include "admissions/AdmissionSink.h"
#include "link/LinkFace.h"
#include "link/LinkState.h"
#include "settings/MessageTexts.h"

class Clock;
class QDateTime;
class QTimer;
class SerialDeviceFactory;
class TComPort;

struct SmsPair {
  QString phone;
  QString text;
};

enum class Led : quint8 { Off, Data, Error };  // hidden, yellow, red

struct ProgressState {
  int maximum = 0;
  int position = 0;
  bool shown = false;
};

// What the core needs of the outside world.
struct CoreEnvironment {
  Clock* clock = nullptr;
  SerialDeviceFactory* serial = nullptr;
  // The port choice when the port has no number ("Select Port"); 0 = none chosen.
  std::function<int()> choosePort;
  // The device behind a COM number.
  std::function<QString(int)> deviceName;
};

class LinkCore : public QObject {
  Q_OBJECT

 public:
  LinkCore(const CoreEnvironment& env, LinkFace* face, QObject* parent = nullptr);
  ~LinkCore() override;

  // ---- what a face calls ----

  // The start: echo off, which opens the port (asking for one when it has no number). Throws
  // the port's error when it cannot be opened; Timer1 is then the face's to start.
  void Start();
  // The six SIM buttons (CommandSequences.cpp). The phone book chains take PhoneBookLines as
  // they are when they start; the SMS chains read Pairs when they need them.
  void LoadPHONEClick();
  void SavePhoneClick();
  void AddToSIMClick();
  void ButtonLoadSMSClick();
  void ButtonSaveSMSClick();
  void ButtonDeleteSMSClick();
  // The watchdog's tick, every second (Timer1).
  void Timer1Timer();
  // The answer Yes to the watchdog's question: closes the port, asks for one and takes it back
  // as a port that came back.
  void ChoosePortAgain();
  // The program ends: a running chain stops without a word, and a unit waiting for an SMS body
  // has it cancelled (it would store the next start's first command as its text).
  void StopRunningChain();
  // A SIM button pressed now would start its chain: the link is up, idle and early in a free
  // window, as a user finds it who waits for the buttons.
  bool CanStart(Chain chain) const;
  // The busy state.
  void LockButtons();
  void UnlockButtons();
  // Relay names, as the next call report will use them; A also names the next record.
  void SetRelayA(const QString& name);
  void SetRelayB(const QString& name);
  // The log was saved by hand: it starts afresh with the next record.
  void AdmissionsSaved();

  // ---- the data: the faces show it, and may set what a user edits ----

  LinkState Link;
  Exchange InFlight;  // the command in flight
  bool ButtonsLocked = false;
  QStringList PhoneBookLines;  // name=number
  SmsPair Pairs[6];
  QStringList AdmissionLines;  // date time=name  (phone: number)  /relay
  // The admission log: the next record's relay names, the daily file.
  QString RelayA, RelayB;
  QString DailyFile = QStringLiteral("admiss");  // first part of a daily file's name
  bool Automat = false;                          // a daily file per day
  // Off: records only go to LinkFace::Admitted (a face that writes each one itself).
  bool KeepAdmissionLog = true;
  // Where the log's files are written: the daily file, the manual save, what an end keeps.
  AdmissionSink Sink;
  MessageTexts Messages;
  // How the port is named in what the user reads; empty: "COM" and its number.
  QString PortLabel;
  int MaxLengthNumber = 13;  // of an SMS pair's number

  // Status values.
  QString Centre;        // the SMS centre's number
  qint32 Countdown = 0;  // the link's free window: -27 after a report, up to 0
  bool SimButtonsOn = true;
  ProgressState Progress;
  bool TransferShown = false;
  bool WaitingShown = false;
  Led LedState = Led::Off;

  TComPort* ComPort1 = nullptr;
  QTimer* Timer1 = nullptr;

  QString PortName() const;

 private:
  // Runs fn as one event of the core: an error that ends it goes to the face. guarded: an event
  // the face started; unattended: one the unit's lines, the tick or a lost port started
  // (LinkFace::UnattendedWork).
  void guarded(const std::function<void()>& fn) { event(fn, false); }
  void unattended(const std::function<void()>& fn) { event(fn, true); }
  void event(const std::function<void()>& fn, bool unattended);
  using QObject::event;  // not hidden by the one above
  void tell(Notice notice);
  void show(Status what) { face->StatusChanged(what); }

  // ---- status values, as the face is to see them change ----
  void SetProgressMaximum(int n);
  void SetProgressPosition(int n);
  void ShowProgress(bool shown);
  void ShowTransfer(bool shown);
  void ShowWaiting(bool shown);
  void SetLed(Led state);
  void SetCountdown(qint32 position);
  void EnableSimButtons(bool on);
  void ClearInfo() { show(Status::Info); }

  // ---- data, as the face is to see it change ----
  void SetPhoneBook(const QStringList& lines);
  void SetPairField(int pair, bool phone, const QString& value);
  void ClearPairs(quint8 pairs);
  void ClearSmsList() { face->SmsListChanged(true, QByteArray()); }
  void AddToSmsList(const QByteArray& text) { face->SmsListChanged(false, text); }

  // ---- ResponseParser.cpp ----
  void ComPort1TriggerAvail(TComPort* CP, int Count);
  void HandleLine();
  void HandleOk(Owner owner);
  void OkHandling();
  void HandleCentre(const QByteArray& line);
  void HandleOperator(const QByteArray& line);
  void HandlePhoneBookSize(const QByteArray& line);
  // line: the error line itself ("+CMS ERROR: 321" tells an empty slot from a refusal).
  void HandleError(Owner owner, const QByteArray& line);
  void NoteFinal(bool ok, const QByteArray& line);
  void SendBarrier();
  void BackInStep();
  void AnswerOk();
  // ---- Watchdog.cpp ----
  void SignalReport(const QByteArray& line);
  // ---- CommandSequences.cpp ----
  void ProbeAndPause();
  void StartTransfer();
  // ---- PhoneBookTransfer.cpp ----
  void PhoneBookEntry(const QByteArray& line);
  void EraseStep();
  void EraseToWriteSwitch();
  void StartWriting();
  void WriteStep();
  void RowStored();
  void EndOfWrite();
  void WriteRetry(bool again);
  // ---- SmsTransfer.cpp ----
  QByteArray PairPhone(int pair) const;
  void SmsListHeader(const QByteArray& line);
  void SmsListText(const QByteArray& line);
  void SmsPrompt();
  void SmsWritten(const QByteArray& line);
  void SmsDeleteStep();
  void SmsDeleteRefused(bool noSuchSlot, bool again);
  void SmsDeleteEnd();
  bool FillsPair(qint32 slot) const;
  void SmsWriteRefused(bool again);
  void RewritePair();
  // ---- CallReports.cpp, admissions/AdmissionLog.cpp ----
  void RelayBMarker();
  void CallReport(const QByteArray& line);
  void EnterAdmission(const QString& record, const QDateTime& at);
  // ---- ChainWatch.cpp ----
  qint64 LinkClock() const;
  void SendForChain(const QByteArray& bytes);
  // Every command goes out here: kept to tell its echo from the unit's lines.
  void SendLine(const QByteArray& bytes);
  bool IsEcho(const QByteArray& line) const;
  void SendAwaited(const QByteArray& command, Awaiting what);
  void ResendAwaited();
  void SendSmsList();
  void StartChain(Chain chain);
  void WatchAnswers();
  void AnswerOverdue();
  void GiveUp();
  // How the command in flight ended decides what the chain does next: answered, sent again,
  // given up (named at the end), or the chain ends. The one place that decides a retry.
  void Settle(Awaiting command, Outcome outcome);
  void RefusedEveryTime(Awaiting command);
  void BodyUnanswered();
  void Resend();
  void StopChain(const QString& reason);
  QString UndoneText() const;
  void ChainDone();
  void WriteAgain(Chain chain, const QStringList& rows);
  void PortLost(const QString& reason);
  bool TakeBackPort();
  void PortTakenBack();
  void NotePortBack();

  Clock* clock;
  LinkFace* face;
  bool BatchEnded = false;  // the phone book writer ended the current batch early
  qint64 ProgressAt = 0;    // link clock: the running chain last moved on
  qint64 LineHeardAt = 0;   // link clock: the last line the unit sent
  // How far into a free window a chain may start (Countdown runs from -27 to 0).
  static constexpr qint32 kFreshWindow = -20;
  bool PortLostTold = false;  // until the port is open again
};
