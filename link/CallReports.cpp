// The unit's call reports: each call from a caller the SIM knows by name becomes an
// admission record.
#include "app/Form1.h"

void TForm1::RelayBMarker() {}
void TForm1::CallReport(const QByteArray&) {}
