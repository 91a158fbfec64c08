// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Rig.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <algorithm>

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
  core().Timer1->stop();
  nextTick = clk.elapsed() + 1000;
  dlg.runFor = [this](qint64 ms, const std::function<bool()>& closed) {
    const qint64 from = clk.elapsed();
    ++holding;
    steps(ms, closed);
    if (--holding == 0) held += clk.elapsed() - from;
  };
}

void Rig::settle() {
  // An arrival announcement queues the port's dispatch, which queues the next: a few rounds.
  for (int i = 0; i < 4; ++i) QCoreApplication::processEvents();
}

void Rig::tick() {
  // The window's Timer1 is the core's: either face ticks the core.
  core().Timer1Timer();
  settle();
}

bool Rig::quiet() {
  const MemorySerialDevice* device = line.openDevice();
  return !sim.hasOutput() && (!device || device->bytesAvailable() == 0) &&
         core().ComPort1->Peek(1).isEmpty();
}

bool Rig::steps(qint64 ms, const std::function<bool()>& done) {
  const qint64 end = clk.elapsed() + ms;
  while (clk.elapsed() < end) {
    if (done && done()) return true;
    const qint64 now = clk.elapsed();
    qint64 step = std::min({Step, end - now, std::max<qint64>(nextTick - now, 1)});
    // Nothing on its way and nothing due before the step boundary in front of the next event:
    // the steps up to that boundary would do nothing, so they are taken as one.
    if (step == Step && quiet()) {
      const qint64 due = sim.nextEventTime();
      const qint64 next = std::min({end, nextTick, due >= now ? due : end});
      step = std::max<qint64>(Step, (next - 1 - now) / Step * Step);
    }
    clk.advance(step);
    settle();
    if (clk.elapsed() >= nextTick) {
      // A timer that was held up by a blocking pause fires once, not once per lost second.
      while (nextTick <= clk.elapsed()) nextTick += 1000;
      tick();
    }
  }
  return done && done();
}

void Rig::run(qint64 ms) { steps(ms, nullptr); }

bool Rig::runUntil(const std::function<bool()>& done, qint64 maxMs) {
  return steps(maxMs, done) || done();
}

const char* FaceName(FaceKind face) { return face == FaceKind::Window ? "window" : "core"; }

std::unique_ptr<Rig> MakeRig(FaceKind face, const RigSetup& setup) {
  if (face == FaceKind::Core) return std::make_unique<CoreHarness>(setup);
  WindowHarness::Setup s;
  s.unit = setup.unit;
  s.demo = setup.demo;
  if (setup.beforeStart) s.beforeStart = [f = setup.beforeStart](WindowHarness& h) { f(h); };
  if (setup.afterCreate) s.afterCreate = [f = setup.afterCreate](WindowHarness& h) { f(h); };
  return std::make_unique<WindowHarness>(s);
}
