// The SMS chains: list, delete and save, carried on by the parser.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextCursor>

#include "app/Form1.h"
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "platform/Clock.h"

namespace {

// The memo takes the list as one running text in which a carriage return is a line break.
// Appending at the end keeps what is already there exactly as it was.
void appendToMemo(QPlainTextEdit* memo, const QByteArray& text) {
  QTextCursor end(memo->document());
  end.movePosition(QTextCursor::End);
  end.insertText(QString::fromLatin1(text));
}

void clearSmsPairs(TForm1& f) {
  for (QLineEdit* e : f.SmsPhones) e->clear();
  for (QLineEdit* e : f.SmsTexts) e->clear();
}

bool isPair(qint32 index) { return index >= 1 && index <= 6; }

// The slots the save frees before it writes the six pairs.
constexpr qint32 kSaveDeletes = 7;

}  // namespace

void TForm1::SmsListHeader(const QByteArray& line) {
  QByteArray fields = line;
  CutThrough(fields, ':');
  appendToMemo(SMSs, fields);
  Link.StepIndex = ReadIntField(SmsSlotField(line), Link.RxLine);
  if (isPair(Link.StepIndex))
    SmsPhones[Link.StepIndex - 1]->setText(QString::fromLatin1(SmsListNumber(line)));
  Link.SmsTextExpected = true;
  Link.RxLine.clear();
}

void TForm1::SmsListText(const QByteArray& line) {
  if (line.isEmpty()) {
    // An empty body: the header keeps waiting for its text.
    appendToMemo(SMSs, QByteArrayLiteral("\r"));
    return;
  }
  appendToMemo(SMSs, '"' + line + "\"\r");
  Link.SmsTextExpected = false;
  if (isPair(Link.StepIndex)) SmsTexts[Link.StepIndex - 1]->setText(QString::fromLatin1(line));
}

void TForm1::SmsDeleteStep() {
  // The unit's answer to its own query answers no delete: taken as one, the next delete
  // would go out while the last is unanswered.
  if (Link.ReportOkDue) {
    Link.LinkIdle = false;
    return;
  }
  ++Link.StepIndex;
  Prubeh->setValue(Link.StepIndex);
  Env.clock->pause(200);
  if (Link.WritingSms && Link.StepIndex > kSaveDeletes) {
    // The last delete of the save is answered: every answer from here on is the write's.
    Link.StepIndex = 1;
    Link.DeletingSms = false;
    ComPort1->SendText(At::WriteSms(SmsPhones[0]->text().toLatin1()));
  } else {
    ComPort1->SendText(At::DeleteSms(Link.StepIndex));
  }
  Link.LinkIdle = false;
}

void TForm1::SmsDeleteEnd() {
  // Also the end of a save whose write the unit refused: the list shows what it holds.
  Link.DeletingSms = false;
  SMSs->clear();
  Link.WritingSms = false;
  clearSmsPairs(*this);
  ComPort1->SendText(At::ListSms);
  Link.LinkIdle = false;
}

void TForm1::SmsPrompt() {
  if (!isPair(Link.StepIndex)) return;
  // The text edit holds only allowed characters, so the body cannot end itself early.
  ComPort1->SendText(At::SmsBody(SmsTexts[Link.StepIndex - 1]->text().toLatin1()));
}

void TForm1::SmsWritten(const QByteArray& line) {
  // Only a running save goes on; a stray report must not write the pairs or empty them.
  if (!Link.WritingSms) return;
  Link.StepIndex = ReadIntField(SmsWrittenSlotField(line), Link.RxLine);
  Prubeh->setValue(Link.StepIndex);
  // The slot the unit used decides the next pair: pairs below a higher slot are skipped.
  ++Link.StepIndex;
  if (Link.StepIndex <= 6) {
    Env.clock->pause(200);
    if (Link.StepIndex >= 2)
      ComPort1->SendText(At::WriteSms(SmsPhones[Link.StepIndex - 1]->text().toLatin1()));
    return;
  }
  Link.StepIndex = 0;
  Link.WritingSms = false;
  clearSmsPairs(*this);
  Env.clock->pause(100);
  if (ComPort1->ComNumber() != 0) ComPort1->SendText(At::ListSms);
  Link.LinkIdle = false;
}
