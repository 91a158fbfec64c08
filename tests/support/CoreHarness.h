// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link core under test without a window (see Rig), its face a recorder: chain messages and
// errors go to dialogs() as the window's boxes would (after the core's handler, one per error
// kind: the window's DeferredDialogs), the watchdog's question is answered from
// dialogs().answers (Yes chooses dialogs().port again), the box about a lost port is closed
// when the port is back, the SMS pairs are held to what the window's edits allow, and every
// line received is kept.
#include "link/LinkFace.h"
#include "support/Rig.h"

class DeferredDialogs;

class CoreHarness : public Rig, public LinkFace {
 public:
  explicit CoreHarness(const RigSetup& setup = RigSetup());
  ~CoreHarness() override;

  LinkCore& core() override { return *program; }
  void press(Chain chain) override;
  bool simButtonsUsable() override { return usable; }
  QStringList grid() override { return program->PhoneBookLines; }
  bool gridEditable() override { return !program->ButtonsLocked; }
  void setGrid(const QStringList& lines) override { program->PhoneBookLines = lines; }
  SmsPair pair(int k) override { return program->Pairs[k]; }
  void setPair(int k, const QString& phone, const QString& text) override;
  QStringList admissions() override { return program->AdmissionLines; }
  QList<QByteArray> monitor() override { return lines; }

  // ---- the face ----
  void Told(const Notice& notice) override;
  void UnattendedWork(bool begins) override;
  void StatusChanged(Status what) override;
  void LineReceived(const QByteArray& line) override { lines << line; }
  void SmsPairChanged(int pair, bool phone) override;
  void AdmissionsChanged(LogChange change) override;

  // Every notice, in order.
  QList<Notice> notices;
  // The tag of the box about a lost port (the window's too).
  static constexpr int PortLostBox = 1;

 private:
  std::unique_ptr<DeferredDialogs> boxes;
  std::unique_ptr<LinkCore> program;
  QList<QByteArray> lines;
  bool usable = true;
};
