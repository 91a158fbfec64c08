// The unit's call reports: each call from a caller the SIM knows by name becomes an
// admission record.
#include <QLineEdit>

#include "admissions/AdmissionRecord.h"
#include "app/Form1.h"
#include "link/LineRules.h"
#include "platform/Clock.h"

void TForm1::RelayBMarker() { Link.RelayName = RelB->text(); }

void TForm1::CallReport(const QByteArray& line) {
  const NameAndNumber caller = CallReportFields(line);
  QString record;
  if (!caller.name.isEmpty())
    record = AdmissionRecord(AdmissionKey(Env.clock->now(), SystemClockForm()), caller.name,
                             caller.number, Link.RelayName);
  // Back to relay A before the record is placed: a failing log must not leave relay B
  // named for the next call. The line is used up: should the log fail, the parser must not
  // hand it over again with the next bytes appended (a second record of the same call).
  Link.RelayName = RelA->text();
  Link.RxLine.clear();
  if (!record.isEmpty()) EnterAdmission(record);
}
