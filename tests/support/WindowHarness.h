#pragma once
// The real window under test: a temporary program folder, scripted dialogs, virtual time and
// the simulated unit on an in-memory line. Timer1 is stopped; run() ticks it every 1000
// virtual milliseconds. Nothing the program does depends on real time, so a run replays exactly.
//
//   WindowHarness h;
//   h.run(12000);                    // "ATE", the first signal report, operator, SIM size
//   h.click(h.form().LoadPHONE);
//   h.run(5000);
//   QCOMPARE(h.received().last(), "AT+CSCA?");
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

#include "support/MemorySerialDevice.h"
#include "support/TestClock.h"
#include "support/TestDialogs.h"
#include "unit/UnitEngine.h"

class QAbstractButton;
class TForm1;

class WindowHarness {
 public:
  struct Setup {
    std::optional<QByteArray> settings;  // text of "<dir>/zulset.ini" before start
    std::optional<QByteArray> blankPhb;  // text of "<dir>/blank.phb" before start
    UnitEngine::Options unit;            // the simulated unit's options
    bool demo = false;                   // the unit starts with its demo phone book and SMS
    int port = 9;                        // the port choice dialog's answer (0 = cancel)
    QString programName = QStringLiteral("zulset");  // the program file's name in the folder
    QString configDir;  // the user's configuration folder (empty: none)
    QString language;   // the shipped translation a first start takes (empty: English)
    QDateTime start = TestClock::defaultStart();
    // Runs after the doubles exist and before the window is created.
    std::function<void(WindowHarness&)> beforeStart;
    // Runs once the window exists, before the event loop has run.
    std::function<void(WindowHarness&)> afterCreate;
  };

  WindowHarness();
  explicit WindowHarness(const Setup& setup);
  ~WindowHarness();
  WindowHarness(const WindowHarness&) = delete;
  WindowHarness& operator=(const WindowHarness&) = delete;

  TForm1& form() { return *window; }
  UnitEngine& unit() { return sim; }
  UnitEngine& engine() { return sim; }
  TestDialogs& dialogs() { return dlg; }
  TestClock& clock() { return clk; }
  MemorySerialDeviceFactory& serial() { return line; }

  // The program folder (also the current directory); program file "<dir>/zulset" by default.
  QString dir() const { return folder.path(); }
  QString path(const QString& name) const { return folder.filePath(name); }
  QString programFile() const { return path(programName); }

  // Lets ms of virtual time run in steps of 10 ms: the unit runs, its bytes arrive, the event
  // loop delivers them, and Timer1 ticks at every full virtual second since start. Steps in
  // which nothing can happen are taken together, so a virtual night takes seconds.
  void run(qint64 ms);
  // Runs until done() holds (checked after every step) or maxMs have passed; returns done().
  bool runUntil(const std::function<bool()>& done, qint64 maxMs = 60000);
  // One Timer1 tick now, as the timer would deliver it.
  void tick();
  // Brings the button's page to the front and clicks it (a disabled button ignores it).
  void click(QAbstractButton* button);
  // Delivers what is pending in the event loop, without letting time run.
  void settle();
  // Virtual ms that passed while a box was kept up (TestDialogs::keepOpen).
  qint64 heldMs() const { return held; }

  // Command lines the unit has received, in order ("ATE", "AT+CPBR=1,249", ...; an SMS body
  // ends in 0x1A).
  QList<QByteArray> received() const { return sim.received(); }
  void clearReceived() { sim.clearReceived(); }

 private:
  static constexpr qint64 Step = 10;
  // Lets up to ms pass, stopping early once done() holds (checked before every step).
  bool steps(qint64 ms, const std::function<bool()>& done);
  // Nothing the unit sent waits to be read.
  bool quiet() const;

  QTemporaryDir folder;
  QString programName;
  QString previousDir;
  UnitEngine sim;
  MemorySerialDeviceFactory line;
  TestClock clk;
  TestDialogs dlg;
  std::unique_ptr<TForm1> window;
  qint64 nextTick = 1000;
  int holding = 0;
  qint64 held = 0;
};
