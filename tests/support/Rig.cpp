#include "support/Rig.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <algorithm>

#include "app/Form1.h"
#include "link/ComPort.h"
#include "support/CoreHarness.h"
#include "support/WindowHarness.h"

Rig::Rig(const UnitEngine::Options& unit, const QDateTime& start, bool demo, int port)
    : previousDir(QDir::currentPath()), sim(unit), line(&sim), clk(start) {
  if (!folder.isValid()) qFatal("rig: no temporary folder");
  QDir::setCurrent(folder.path());
  clk.attach(&line);
  dlg.port = port;
  if (demo) sim.fillDemo();
}

Rig::~Rig() { QDir::setCurrent(previousDir); }

void Rig::started() {
  LinkCore& c = core();
  c.Timer1->stop();
  // The port's poll runs on real time; the in-memory line announces every arrival, and
  // without the poll a run replays exactly.
  for (QTimer* poll : c.ComPort1->findChildren<QTimer*>()) poll->setInterval(24 * 3600 * 1000);
  nextTick = clk.elapsed() + 1000;
}

void Rig::settle() {
  // An arrival announcement queues the port's dispatch, which queues the next: a few rounds.
  for (int i = 0; i < 4; ++i) QCoreApplication::processEvents();
}

void Rig::tick() {
  inTick = true;
  if (TForm1* w = window())
    w->guarded([w] { w->Timer1Timer(); });
  else
    core().Timer1Timer();
  inTick = false;
  settle();
}

void Rig::run(qint64 ms) {
  const qint64 end = clk.elapsed() + ms;
  while (clk.elapsed() < end) {
    clk.advance(
        std::min({Step, end - clk.elapsed(), std::max<qint64>(nextTick - clk.elapsed(), 1)}));
    settle();
    if (clk.elapsed() >= nextTick) {
      // A timer that was held up by a blocking pause fires once, not once per lost second.
      while (nextTick <= clk.elapsed()) nextTick += 1000;
      tick();
    }
  }
}

bool Rig::runUntil(const std::function<bool()>& done, qint64 maxMs) {
  const qint64 end = clk.elapsed() + maxMs;
  while (!done()) {
    if (clk.elapsed() >= end) return false;
    run(std::min(Step, end - clk.elapsed()));
  }
  return true;
}

const char* FaceName(FaceKind face) { return face == FaceKind::Window ? "window" : "core"; }

std::unique_ptr<Rig> MakeRig(FaceKind face, const RigSetup& setup) {
  if (face == FaceKind::Core) return std::make_unique<CoreHarness>(setup);
  WindowHarness::Setup s;
  s.unit = setup.unit;
  s.demo = setup.demo;
  if (setup.beforeStart) s.beforeStart = [f = setup.beforeStart](WindowHarness& h) { f(h); };
  return std::make_unique<WindowHarness>(s);
}
