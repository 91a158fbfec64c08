// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether every admission record carries the second its call reached the program. The named
// callers' "+CLCC" lines are noted as they arrive on the line; each new record is matched to
// the first one noted with its name and number and may come later only by the program's own
// pauses (the line waits during them by design) and a second of the harness's steps. A record
// held up behind a box, or stamped with the time of a click, is a finding. (Records of lines
// the noise made look like calls match nothing and are left to the count of records.)
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <memory>

class Rig;

class CallTimes {
 public:
  // Notes arrivals from now on (in Setup::beforeStart, calls during start-up too).
  explicit CallTimes(Rig& h);
  ~CallTimes();
  CallTimes(const CallTimes&) = delete;
  CallTimes& operator=(const CallTimes&) = delete;
  // Follows the admission log; once the program exists (Setup::afterCreate, or later).
  void watch();
  // The port was closed: what had arrived and was not read is gone with it.
  void forgetUnread() { arrivals.clear(); }
  const QStringList& findings() const { return wrong; }
  int matched() const { return count; }

 private:
  struct Arrival {
    QByteArray name, number;
    qint64 at;      // the clock's elapsed ms (a test may move the date meanwhile)
    qint64 paused;  // the clock's pauses so far
  };
  void delivered(const QByteArray& bytes);
  void recorded(const QString& line);

  Rig& h;
  std::weak_ptr<const bool> rigAlive;
  QList<Arrival> arrivals;
  QStringList grid;  // the admission log at its last change
  QStringList wrong;
  int count = 0;
};
