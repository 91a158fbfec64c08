// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The unattended faces of zulset-cli: log-admissions (each admission record into the file of
// its day, as it comes) and monitor (every line of the unit, with its time). The link core
// with a face that presses no button and asks nobody: a port that cannot be opened or went
// away is looked for every second, the watchdog's question is answered by listening on, a
// garbled line is told and passed over. Nothing is kept in memory but records still waiting
// for the disk, and a stop hands those on to the next start.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "admissions/DailyRecords.h"
#include "link/LinkCore.h"

class LinkListener : public QObject, public LinkFace {
  Q_OBJECT

 public:
  // How much a message matters (the journal's priorities).
  enum class Level { Error = 3, Warning = 4, Notice = 5, Info = 6 };

  struct Options {
    int port = 0;       // the COM number
    QString portLabel;  // a device given by its path: named so in messages
    MessageTexts messages;
    QString relayA = QStringLiteral("OUTPUT A"), relayB = QStringLiteral("OUTPUT B");
    // log-admissions: the folder of the daily files and the first part of their names; no
    // folder, no records written.
    QString folder;
    QString prefix = QStringLiteral("admiss");
    FileCalls* files = nullptr;  // the daily files' file system calls (null: the system's)
    bool monitor = false;        // every line to `line`
  };

  LinkListener(const CoreEnvironment& env, const Options& options);
  ~LinkListener() override;

  LinkCore& core() { return *link; }
  // Writes out what a stop left waiting, opens the port and listens. Never fails: a port that
  // cannot be opened is said and looked for every second.
  void Begin();
  // Before the process ends: an SMS body the unit may wait for is cancelled, what is queued
  // for the unit is sent (at most `waitMs`), the port closed; records still waiting are tried
  // once more, and those that cannot be written are each told in full (at error priority) and
  // kept in the spool file for the next start. Returns how many those are.
  qsizetype End(int waitMs = 1000);
  // Relay names and message texts read again (the settings file changed).
  void Reload(const QString& relayA, const QString& relayB, const MessageTexts& messages);

  std::function<void(Level level, const QString& text)> say;
  // A monitor line: the time, a blank, the line.
  std::function<void(const QByteArray& text)> line;
  // Records reached the disk: their daily files have grown (a database's delivery reads them
  // there).
  std::function<void()> written;

  // ---- the face ----
  void Told(const Notice& notice) override;
  void StatusChanged(Status what) override;
  void Admitted(const QString& record, const QDateTime& at) override;

 private:
  void tell(Level level, const QString& text);
  void writeWaiting();
  void received(const QByteArray& bytes);
  static QString writeFailure(const EAdmissionFileError& e);

  class Tap;

  Options opt;
  Clock* clock;
  // monitor: the unit's bytes as they come off the line, control bytes and all (the core's
  // lines have lost them), cut at the carriage return.
  std::unique_ptr<SerialDeviceFactory> tap;
  QByteArray rawLine;
  std::unique_ptr<LinkCore> link;
  std::optional<DailyRecords> records;
  bool writeFailing = false;  // told once until a write works again
  bool silenceTold = false;   // told once until the unit reports again
};

// A line of the unit as text for a terminal or a log: every byte that is no printable ASCII
// character (below 32, 127 and above) as \xHH and the backslash as \\.
QString MonitorText(const QByteArray& line);
// The local time in ISO 8601 with milliseconds and the offset from UTC.
QString IsoLocalTime(const QDateTime& at);
