// The SMS chains: list, delete and save, carried on by the parser.
#include <QLineEdit>

#include "app/Form1.h"
#include "link/AtCommands.h"
#include "link/ComPort.h"

void TForm1::SmsListHeader(const QByteArray&) {}
void TForm1::SmsListText(const QByteArray&) {}
void TForm1::SmsWritten(const QByteArray&) {}
void TForm1::SmsDeleteStep() {}
void TForm1::SmsDeleteEnd() {}

void TForm1::SmsPrompt() {
  if (Link.StepIndex < 1 || Link.StepIndex > 6) return;
  ComPort1->SendText(At::SmsBody(SmsTexts[Link.StepIndex - 1]->text().toLatin1()));
}
