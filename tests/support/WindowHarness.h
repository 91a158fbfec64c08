// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real window under test (see Rig): a temporary program folder, scripted dialogs, virtual
// time and the simulated unit on an in-memory line.
//
//   WindowHarness h;
//   h.run(12000);                    // "ATE", the first signal report, operator, SIM size
//   h.click(h.form().LoadPHONE);
//   h.run(5000);
//   QCOMPARE(h.received().last(), "AT+CSCA?");
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "support/Rig.h"

class QAbstractButton;
class TForm1;

class WindowHarness : public Rig {
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
  ~WindowHarness() override;

  TForm1& form() { return *win; }
  // The program file: "<dir>/zulset" by default.
  QString programFile() const { return path(programName); }

  // Brings the button's page to the front and clicks it (a disabled button ignores it).
  void click(QAbstractButton* button);

  TForm1* window() override { return win.get(); }
  LinkCore& core() override;
  void press(Chain chain) override;
  bool simButtonsUsable() override;
  QStringList grid() override;
  bool gridEditable() override;
  void setGrid(const QStringList& lines) override;
  SmsPair pair(int k) override;
  void setPair(int k, const QString& phone, const QString& text) override;
  QStringList admissions() override;
  QList<QByteArray> monitor() override;

 private:
  QString programName;
  std::unique_ptr<TForm1> win;
};
