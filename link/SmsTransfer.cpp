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

// Empties the pairs whose bit is set in `pairs`: the phones first, then the texts.
void clearPairs(TForm1& f, quint8 pairs) {
  for (int k = 0; k < 6; ++k)
    if (pairs & (1u << k)) f.SmsPhones[k]->clear();
  for (int k = 0; k < 6; ++k)
    if (pairs & (1u << k)) f.SmsTexts[k]->clear();
}

constexpr quint8 kAllPairs = 0x3F;

bool isPair(qint32 index) { return index >= 1 && index <= 6; }

// The slots the save frees before it writes the six pairs.
constexpr qint32 kSaveDeletes = 7;

}  // namespace

void TForm1::SmsListHeader(const QByteArray& line) {
  // A stray header must not move another running chain to another step, nor put its number
  // into the pairs a save is about to write.
  const bool listing = Link.Awaited == Awaiting::SmsList || Link.Running == Chain::LoadSms;
  if (Link.Running != Chain::None && !listing) return;
  QByteArray fields = line;
  CutThrough(fields, ':');
  appendToMemo(SMSs, fields);
  Link.StepIndex = ReadIntField(SmsSlotField(line), Link.RxLine, 1, kMaxSmsSlot);
  const QByteArray number = SmsListNumber(line);
  if (isPair(Link.StepIndex)) SmsPhones[Link.StepIndex - 1]->setText(QString::fromLatin1(number));
  Link.Listed << ListedSms{Link.StepIndex, number, QByteArray()};
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
  if (!Link.Listed.isEmpty()) Link.Listed.last().text = line;
  if (isPair(Link.StepIndex)) SmsTexts[Link.StepIndex - 1]->setText(QString::fromLatin1(line));
}

void TForm1::SmsDeleteStep() {
  ++Link.StepIndex;
  Prubeh->setValue(Link.StepIndex);
  if (!Link.WritingSms && Link.StepIndex > kMaxSmsSlot) {
    // A unit that frees every slot it is asked for: past the highest slot there are none.
    SmsDeleteEnd();
    return;
  }
  Env.clock->pause(200);
  if (Link.WritingSms && Link.StepIndex > kSaveDeletes) {
    // The last delete of the save is answered: every answer from here on is the write's.
    Link.StepIndex = 1;
    Link.DeletingSms = false;
    SendAwaited(At::WriteSms(SmsPhones[0]->text().toLatin1()), Awaiting::Prompt);
  } else {
    SendAwaited(At::DeleteSms(Link.StepIndex), Awaiting::SmsDelete);
  }
  Link.LinkIdle = false;
}

void TForm1::SmsDeleteEnd() {
  // Also the end of a save that could not write a pair: the list shows what the unit holds,
  // and the pairs it did not take keep what the user typed.
  const bool save = Link.WritingSms;
  Link.DeletingSms = false;
  Link.RedoPair = false;
  SMSs->clear();
  Link.WritingSms = false;
  clearPairs(*this, save ? Link.PairsStored : kAllPairs);
  SendSmsList();
  Link.LinkIdle = false;
}

void TForm1::SmsWriteRefused() {
  // Tried again like a refused row; a pair the unit keeps refusing ends the save with a list.
  if (Link.RowErrorsRow != Link.StepIndex) {
    Link.RowErrorsRow = Link.StepIndex;
    Link.RowErrors = 0;
  }
  // The error may not have been the unit's answer (a stray line): a unit that already waits for
  // the body would take the next command, the write again or the list, as its text.
  SendForChain(At::CancelBody);
  if (++Link.RowErrors >= kAttempts || !isPair(Link.StepIndex)) {
    SmsDeleteEnd();
    return;
  }
  RewritePair();
}

void TForm1::RewritePair() {
  Link.RedoPair = false;
  Env.clock->pause(200);
  SendAwaited(At::WriteSms(SmsPhones[Link.StepIndex - 1]->text().toLatin1()), Awaiting::Prompt);
}

void TForm1::SmsPrompt() {
  // Only a save that waits for it: a "> " at the start of any other line is no prompt.
  if (Link.Awaited != Awaiting::Prompt || !isPair(Link.StepIndex)) return;
  HeardFromUnit();
  // What is written is what the end of the save looks for (the edits stay open meanwhile).
  const int k = Link.StepIndex - 1;
  if (k < Link.SmsAsked.size())
    Link.SmsAsked[k] = SmsPhones[k]->text() + QLatin1Char('=') + SmsTexts[k]->text();
  // The text edit holds only allowed characters, so the body cannot end itself early.
  SendAwaited(At::SmsBody(SmsTexts[k]->text().toLatin1()), Awaiting::Body);
}

void TForm1::SmsWritten(const QByteArray& line) {
  // Only the answer to a body of a running save: a stray one must not write the pairs or
  // empty them.
  if (!Link.WritingSms || Link.Awaited != Awaiting::Body) return;
  const qint32 pair = Link.StepIndex;
  Link.StepIndex = ReadIntField(SmsWrittenSlotField(line), Link.RxLine, 1, kMaxSmsSlot);
  // Answered: the "OK" after this line closes the body's exchange.
  Link.Awaited = Awaiting::None;
  HeardFromUnit();
  if (isPair(pair)) Link.PairsStored |= quint8(1u << (pair - 1));
  Prubeh->setValue(Link.StepIndex);
  // The slot the unit used decides the next pair: pairs below a higher slot are skipped.
  ++Link.StepIndex;
  if (Link.StepIndex <= 6) {
    Env.clock->pause(200);
    SendAwaited(At::WriteSms(SmsPhones[Link.StepIndex - 1]->text().toLatin1()), Awaiting::Prompt);
    return;
  }
  Link.StepIndex = 0;
  Link.WritingSms = false;
  clearPairs(*this, Link.PairsStored);
  Env.clock->pause(100);
  if (ComPort1->ComNumber() != 0) SendSmsList();
  Link.LinkIdle = false;
}
