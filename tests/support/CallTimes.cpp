// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/CallTimes.h"

#include "admissions/AdmissionRecord.h"
#include "link/LineRules.h"
#include "support/Rig.h"

CallTimes::CallTimes(Rig& harness) : h(harness), rigAlive(harness.lifetime()) {
  h.serial().onDelivered = [this](const QByteArray& bytes) { delivered(bytes); };
}

CallTimes::~CallTimes() {
  // A test may end the rig first (a unique_ptr made in its setup outlives it).
  if (rigAlive.expired()) return;
  h.serial().onDelivered = nullptr;
  h.onAdmissions = nullptr;
}

void CallTimes::watch() {
  grid = h.admissions();
  h.onAdmissions = [this](const QStringList& now) {
    // A record is added below the others, or starts the log afresh.
    if (now.size() == grid.size() + 1 && now.mid(0, grid.size()) == grid)
      recorded(now.last());
    else if (now.size() == 1 && now != grid && now[0].contains(QStringLiteral("  (phone: ")))
      recorded(now[0]);
    grid = now;
  };
}

void CallTimes::delivered(const QByteArray& bytes) {
  for (qsizetype at = bytes.indexOf("+CLCC"); at >= 0; at = bytes.indexOf("+CLCC", at + 1)) {
    qsizetype end = at;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    const NameAndNumber caller = CallReportFields(bytes.mid(at, end - at));
    if (!caller.name.isEmpty())
      arrivals.append({caller.name, caller.number, h.clock().elapsed(), h.clock().paused()});
  }
}

void CallTimes::recorded(const QString& line) {
  const qsizetype cut = line.indexOf(QLatin1Char('='));
  const QString key = line.left(cut);
  const QString who = line.mid(cut);
  for (qsizetype i = 0; i < arrivals.size(); ++i) {
    const Arrival a = arrivals[i];
    if (!who.startsWith(AdmissionRecord(QString(), a.name, a.number, QString()))) continue;
    arrivals.removeAt(i);
    ++count;
    const AdmissionClockForm form = SystemClockForm();
    const QDateTime at = h.clock().now().addMSecs(a.at - h.clock().elapsed());
    const qint64 late = h.clock().paused() - a.paused + 1000;
    for (QDateTime t = at.addMSecs(-at.time().msec()); t <= at.addMSecs(late); t = t.addSecs(1))
      if (AdmissionKey(t, form) == key) return;
    wrong << QStringLiteral("the call of %1 arrived at %2, its record says %3")
                 .arg(QString::fromLatin1(a.name), AdmissionKey(at, form), key);
    return;
  }
}
