#include "support/WindowHarness.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/Form1.h"

namespace {

void writeFile(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
    qFatal("harness: cannot write %s", qPrintable(name));
}

}  // namespace

WindowHarness::WindowHarness() : WindowHarness(Setup()) {}

WindowHarness::WindowHarness(const Setup& setup)
    : programName(setup.programName),
      previousDir(QDir::currentPath()),
      sim(setup.unit),
      line(&sim),
      clk(setup.start) {
  if (!folder.isValid()) qFatal("harness: no temporary folder");
  QDir::setCurrent(folder.path());
  clk.attach(&line);
  dlg.port = setup.port;
  if (setup.demo) sim.fillDemo();
  if (setup.settings) {
    const int dot = programName.lastIndexOf(QLatin1Char('.'));
    writeFile(path((dot > 0 ? programName.left(dot) : programName) + QStringLiteral(".ini")),
              *setup.settings);
  }
  if (setup.blankPhb) writeFile(path(QStringLiteral("blank.phb")), *setup.blankPhb);
  if (setup.beforeStart) setup.beforeStart(*this);

  FormEnvironment env;
  env.dialogs = &dlg;
  env.clock = &clk;
  env.serial = &line;
  env.programFile = programFile();
  env.configDir = setup.configDir;
  env.language = setup.language;
  window = std::make_unique<TForm1>(env);
  window->Timer1->stop();
  nextTick = clk.elapsed() + 1000;
  window->show();
  settle();
}

WindowHarness::~WindowHarness() {
  window.reset();
  QDir::setCurrent(previousDir);
}

void WindowHarness::settle() {
  // An arrival announcement queues the port's dispatch, which queues the next: a few rounds.
  for (int i = 0; i < 4; ++i) QCoreApplication::processEvents();
}

void WindowHarness::tick() {
  inTick = true;
  window->guarded([this] { window->Timer1Timer(); });
  inTick = false;
  settle();
}

void WindowHarness::run(qint64 ms) {
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

bool WindowHarness::runUntil(const std::function<bool()>& done, qint64 maxMs) {
  const qint64 end = clk.elapsed() + maxMs;
  while (!done()) {
    if (clk.elapsed() >= end) return false;
    run(std::min(Step, end - clk.elapsed()));
  }
  return true;
}

void WindowHarness::click(QAbstractButton* button) {
  for (QWidget* w = button; w; w = w->parentWidget()) {
    const int page = window->PageControl1->indexOf(w);
    if (page >= 0) {
      window->PageControl1->setCurrentIndex(page);
      break;
    }
  }
  settle();
  if (button->isEnabled() && button->isVisible()) QTest::mouseClick(button, Qt::LeftButton);
  settle();
}
