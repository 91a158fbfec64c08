// SPDX-License-Identifier: GPL-3.0-or-later
// The unit's call reports: each call from a caller the SIM knows by name becomes an
// admission record.
#include "admissions/AdmissionRecord.h"
#include "link/LineRules.h"
#include "link/LinkCore.h"
#include "platform/Clock.h"

void LinkCore::RelayBMarker() { Link.RelayName = RelayB; }

void LinkCore::CallReport(const QByteArray& line) {
  const NameAndNumber caller = CallReportFields(line);
  // One reading of the clock for the record's time and the day it is filed under: read twice,
  // a call at midnight could be filed under a day its record does not bear.
  const QDateTime now = clock->now();
  QString record;
  if (!caller.name.isEmpty())
    record = AdmissionRecord(AdmissionKey(now, SystemClockForm()), caller.name, caller.number,
                             Link.RelayName);
  // Back to relay A before the record is placed: a failing log must not leave relay B
  // named for the next call. The line is used up: should the log fail, the parser must not
  // hand it over again with the next bytes appended (a second record of the same call).
  Link.RelayName = RelayA;
  Link.RxLine.clear();
  if (!record.isEmpty()) EnterAdmission(record, now);
}
