// The handler of the unit's bytes: lines, their recognition, "OK", errors and the status
// lines of the start-up chain.
#include <QColor>
#include <QProgressBar>

#include "app/Form1.h"
#include "app/MonitorView.h"
#include "app/Widgets.h"
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "platform/Clock.h"

void TForm1::ComPort1TriggerAvail(TComPort* /*CP*/, int Count) {
  BatchEnded = false;
  LED->show();
  LED->SetBrushColor(QColor(0xFF, 0xFF, 0x00));
  // Bytes are taken a run at a time, up to the next line end or prompt, and each line is
  // handled before the byte after it is read: as if they were read one by one.
  for (int left = Count; left > 0 && !BatchEnded;) {
    ByteEffect effect;
    const QByteArrayView run = ComPort1->Peek(left);
    if (run.isEmpty()) {
      // The port was closed under a handler: reading says what that means.
      effect = TakeByte(Link.RxLine, ComPort1->ReadChar());
      --left;
    } else {
      const int taken = int(TakeBytes(Link.RxLine, run, &effect));
      ComPort1->Skip(taken);
      left -= taken;
    }
    switch (effect) {
      case ByteEffect::LineEnd:
        HandleLine();
        break;
      case ByteEffect::Prompt:
        SmsPrompt();
        break;
      case ByteEffect::Appended:
      case ByteEffect::Ignored:
        break;
    }
  }
}

void TForm1::HandleLine() {
  Monitor->AppendLine(Link.RxLine);
  const QByteArray line = Link.RxLine;
  const LineRule rule = RecogniseLine(line, Link.LinkIdle, Link.SmsTextExpected);
  // The unit's own queries (signal, current calls) end with an "OK" of their own. Settled
  // before the line's handler runs, so that an error in it cannot leave the mark stale; an
  // "OK" uses the mark up even when its handling fails.
  if (rule == LineRule::Signal || rule == LineRule::CallReport)
    Link.ReportOkDue = true;
  else if (!line.isEmpty() && rule != LineRule::Ok)
    Link.ReportOkDue = false;
  struct OkUsesMark {
    bool ok;
    bool& mark;
    ~OkUsesMark() {
      if (ok) mark = false;
    }
  } okUsesMark{rule == LineRule::Ok, Link.ReportOkDue};
  switch (rule) {
    case LineRule::Ok:
      HandleOk();
      break;
    case LineRule::Centre:
      HandleCentre(line);
      break;
    case LineRule::SmsWritten:
      SmsWritten(line);
      break;
    case LineRule::Signal:
      SignalReport(line);
      break;
    case LineRule::Operator:
      HandleOperator(line);
      break;
    case LineRule::PhoneBookSize:
      HandlePhoneBookSize(line);
      break;
    case LineRule::SmsListHeader:
      SmsListHeader(line);
      break;
    case LineRule::RelayB:
      RelayBMarker();
      break;
    case LineRule::CallReport:
      CallReport(line);
      break;
    case LineRule::PhoneBookEntry:
      PhoneBookEntry(line);
      break;
    case LineRule::SmsText:
      SmsListText(line);
      break;
    case LineRule::Error:
      HandleError();
      break;
    case LineRule::Other:
      break;
  }
  Link.RxLine.clear();
}

void TForm1::HandleOk() {
  Link.SmsTextExpected = false;
  if (!Link.anyTransfer()) {
    UnlockButtons();
    Prubeh->hide();
    Prenos->Stop();
    Prenos->hide();
  }
  // The unit's answer to its own query answers none of the writer's commands: taken
  // as one, it would send the next row while the last is still unanswered, and the closing
  // probe's guard would be used up before the read-back arrives.
  const bool writerIgnores = Link.ReportOkDue && (Link.WritingPhoneBook || Link.ProbePending);
  if (!writerIgnores) {
    if (!Link.ProbePending)
      Link.LinkIdle = true;
    else
      Link.ProbePending = false;

    if (Link.WritingPhoneBook)
      WriteStep();
    else if (Link.ErasingPhoneBook)
      EraseStep();
    else if (Link.DeletingSms)
      SmsDeleteStep();
    if (BatchEnded) return;
  }

  if (!Link.CentreAsked) {
    Link.CentreAsked = true;
    Env.clock->pause(100);
    if (ComPort1->ComNumber() != 0) ComPort1->SendText(At::CentreQuery);
  }
}

void TForm1::HandleCentre(const QByteArray& line) {
  StatusBar1->SetPanelText(
      1, QStringLiteral("SMS centrum: ") + QString::fromLatin1(CentreNumber(line)));
}

void TForm1::HandleOperator(const QByteArray& line) {
  Link.OperatorName = OperatorText(line);
  StatusBar1->SetPanelText(0,
                           QStringLiteral("Operator: ") + QString::fromLatin1(Link.OperatorName));
  Env.clock->pause(100);
  if (ComPort1->ComNumber() != 0) ComPort1->SendText(At::SizeQuery);
  Link.LinkIdle = false;
}

void TForm1::HandlePhoneBookSize(const QByteArray& line) {
  Link.PhoneBookCapacity = ReadIntField(PhoneBookSizeField(line), Link.RxLine);
  StatusBar1->SetPanelText(2, QStringLiteral("SIM: ") + QString::number(Link.PhoneBookCapacity));
}

void TForm1::HandleError() {
  LED->SetBrushColor(QColor(0xFF, 0x00, 0x00));
  Env.clock->pause(200);
  if (Link.WritingPhoneBook) WriteRetry();
  // A refused SMS write ends the save as a refused delete does, instead of stalling it.
  if (Link.DeletingSms || Link.WritingSms) SmsDeleteEnd();
}
