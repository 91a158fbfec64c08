// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One command of zulset-cli against the unit: the link core with a face for a script. It waits
// for the unit as the window's user would (the first report, the operator and the SIM's size,
// a report that opens the free window), presses the chain's button, and ends with an exit
// status once the chain has ended. Nothing here waits for a person or blocks beyond the
// core's own pauses; the event loop runs it.
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "link/LinkCore.h"

class CliSession : public QObject, public LinkFace {
  Q_OBJECT

 public:
  // The exit statuses.
  enum Exit { Done = 0, DoneInPart = 1, BadFile = 2, NoLink = 3 };

  struct Options {
    Chain chain = Chain::LoadSim;  // the SIM button the command presses
    QString file;                  // read before (write commands) or written after (load commands);
                                   // "-": standard output
    QString backup;             // OverwriteSim, AddToSim: the SIM phone book is read into it first
    bool leaveOutHeld = false;  // AddToSim: rows the SIM holds already are not written again
    QStringList phoneBook;      // the rows to write (OverwriteSim, AddToSim)
    SmsPair pairs[6];           // the pairs to save (SaveSms), as the file gave them
    int port = 0;               // the COM number
    QString portLabel;          // a device given by its path: named so in messages
    MessageTexts messages;
    QString chainNames[7];  // the buttons' captions, by Chain
    int maxLengthNumber = 13;
    QString relayA = QStringLiteral("OUTPUT A"), relayB = QStringLiteral("OUTPUT B");
  };

  CliSession(const CoreEnvironment& env, const Options& options);
  ~CliSession() override;

  LinkCore& core() { return *link; }
  // Opens the port and starts; `finished` comes with the exit status.
  void Begin();
  std::function<void(int status)> finished;
  // Messages, one at a time, and the progress line (only set where someone watches it).
  std::function<void(const QString& text)> say;
  std::function<void(const QString& line)> progress;

  // ---- the face ----
  void Told(const Notice& notice) override;
  void StatusChanged(Status what) override;
  void PhoneBookChanged(BookChange change) override;
  void SmsPairChanged(int pair, bool phone) override;
  void SmsListChanged(bool emptied, const QByteArray& added) override;
  QString ChainName(Chain chain) const override;

 private:
  void schedule();
  void step();
  bool ready() const;
  void end(int status);
  void finish(const Notice& ended);
  void showProgress();
  void showWaiting();
  QString portText() const;  // "COM9 (/dev/ttyUSB0)", or the device given by its path
  bool readFirst(const Notice& ended);
  void writeOut(const QStringList& lines);

  Options opt;
  std::function<QString(int)> deviceName;
  std::unique_ptr<LinkCore> link;
  Chain current;          // the chain pressed next: a read of the SIM first, where asked
  bool pressing = false;  // the chain's button is being pressed
  bool pressed = false;   // the chain has started
  bool over = false;
  bool stepQueued = false;
  QString lastProgress;
};
