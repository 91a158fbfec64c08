// The twelve edits of the SMS page hold only what the unit can send.
#include <QLineEdit>

#include "app/Form1.h"

void TForm1::SmsEditChange(QLineEdit*, bool) {}
