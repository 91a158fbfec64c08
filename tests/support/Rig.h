// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a test drives: the program under one of its faces (the window, or the link core with a
// face that records what it is told), with the simulated unit on an in-memory line, virtual
// time, scripted dialogs and a temporary program folder that is the current directory.
// Timer1 is not running: run() ticks it at every full virtual second since start, so a run
// replays exactly. WindowHarness and CoreHarness are the two; the table-driven tests take
// either through MakeRig.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "link/LinkCore.h"
#include "support/MemorySerialDevice.h"
#include "support/TestClock.h"
#include "support/TestDialogs.h"
#include "unit/UnitEngine.h"

class TForm1;

class Rig {
 public:
  virtual ~Rig();
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  // ---- the program ----
  virtual TForm1* window() { return nullptr; }
  virtual LinkCore& core() = 0;

  // ---- what its user does and sees ----
  // A SIM button pressed; nothing happens while it is disabled.
  virtual void press(Chain chain) = 0;
  // The six SIM buttons can be pressed (the busy state and the watchdog allow it).
  virtual bool simButtonsUsable() = 0;
  virtual QStringList grid() = 0;
  virtual bool gridEditable() = 0;
  virtual void setGrid(const QStringList& lines) = 0;
  virtual SmsPair pair(int k) = 0;  // k from 0
  virtual void setPair(int k, const QString& phone, const QString& text) = 0;
  virtual QStringList admissions() = 0;
  virtual QList<QByteArray> monitor() = 0;  // every line received

  // ---- the world around it ----
  UnitEngine& unit() { return sim; }
  UnitEngine& engine() { return sim; }
  TestDialogs& dialogs() { return dlg; }
  TestClock& clock() { return clk; }
  MemorySerialDeviceFactory& serial() { return line; }
  // The program folder (also the current directory).
  QString dir() const { return folder.path(); }
  QString path(const QString& name) const { return folder.filePath(name); }

  // Lets ms of virtual time run in steps of 10 ms: the unit runs, its bytes arrive, the event
  // loop delivers them, and Timer1 ticks at every full virtual second since start. Steps in
  // which nothing can happen are taken together, so a virtual night takes seconds.
  void run(qint64 ms);
  // Runs until done() holds (checked after every step) or maxMs have passed; returns done().
  bool runUntil(const std::function<bool()>& done, qint64 maxMs = 60000);
  // One Timer1 tick now, as the timer would deliver it.
  void tick();
  // Delivers what is pending in the event loop, without letting time run.
  void settle();
  // Virtual ms that passed while a box was kept up (TestDialogs::keepOpen).
  qint64 heldMs() const { return held; }
  // Called with the admission log after each change of it (CallTimes follows it so).
  std::function<void(const QStringList& log)> onAdmissions;
  // Expires with the rig: what a test keeps beyond it (CallTimes) must not reach back then.
  std::weak_ptr<const bool> lifetime() const { return alive; }

  // Command lines the unit has received, in order ("ATE", "AT+CPBR=1,249", ...; an SMS body
  // ends in 0x1A).
  QList<QByteArray> received() const { return sim.received(); }
  void clearReceived() { sim.clearReceived(); }

 protected:
  Rig(const UnitEngine::Options& unit, const QDateTime& start, bool demo, int port);
  // Once the program exists: Timer1 stopped, the first tick due, boxes kept up served.
  void started();

 private:
  static constexpr qint64 Step = 10;
  // Lets up to ms pass, stopping early once done() holds (checked before every step).
  bool steps(qint64 ms, const std::function<bool()>& done);
  // Nothing the unit sent waits to be read.
  bool quiet();

  QTemporaryDir folder;
  QString previousDir;
  UnitEngine sim;
  MemorySerialDeviceFactory line;
  TestClock clk;
  TestDialogs dlg;
  qint64 nextTick = 1000;
  int holding = 0;
  qint64 held = 0;
  std::shared_ptr<const bool> alive = std::make_shared<const bool>(true);
};

// The same setup for either face.
struct RigSetup {
  UnitEngine::Options unit;
  bool demo = false;  // the unit starts with its demo phone book and SMS
  // Runs after the doubles exist and before the program is started.
  std::function<void(Rig&)> beforeStart;
  // Runs once the program exists, before the event loop has run.
  std::function<void(Rig&)> afterCreate;
};

enum class FaceKind { Window, Core };
const char* FaceName(FaceKind face);
std::unique_ptr<Rig> MakeRig(FaceKind face, const RigSetup& setup);
