// SPDX-License-Identifier: GPL-3.0-or-later
// The twelve edits of the SMS page hold only what the unit can send.
#include <QLineEdit>

#include "app/Form1.h"
#include "sms/SmsFilters.h"

void TForm1::SmsEditChange(QLineEdit* edit, bool phone) {
  const QString filtered =
      phone ? FilterPhone(edit->text(), MaxLengthNumber) : FilterText(edit->text());
  // Setting the text is a change of its own: it comes back here at once and settles, since
  // a filtered text passes its filter unchanged (a lone phone character turns into "+" first).
  if (filtered != edit->text()) edit->setText(filtered);
  edit->setCursorPosition(int(edit->text().size()));
  // The pairs are the core's: a save reads them when it sends them.
  for (int k = 0; k < 6; ++k) {
    if (edit == SmsPhones[k]) Core->Pairs[k].phone = edit->text();
    if (edit == SmsTexts[k]) Core->Pairs[k].text = edit->text();
  }
}
