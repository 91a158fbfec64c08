// The unit's call reports: each call from a caller the SIM knows by name becomes an
// admission record.
#include "admissions/AdmissionRecord.h"
#include "link/LineRules.h"
#include "link/LinkCore.h"
#include "platform/Clock.h"

void LinkCore::RelayBMarker() { Link.RelayName = RelayB; }

void LinkCore::CallReport(const QByteArray& line) {
  const NameAndNumber caller = CallReportFields(line);
  QString record;
  if (!caller.name.isEmpty())
    record = AdmissionRecord(AdmissionKey(clock->now(), SystemClockForm()), caller.name,
                             caller.number, Link.RelayName);
  // Back to relay A before the record is placed: a failing log must not leave relay B
  // named for the next call. The line is used up: should the log fail, the parser must not
  // hand it over again with the next bytes appended (a second record of the same call).
  Link.RelayName = RelayA;
  Link.RxLine.clear();
  if (!record.isEmpty()) EnterAdmission(record);
}
