// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSession.h"

#include <QTimer>
#include <cstdio>

#include "files/FileCharset.h"
#include "files/PhoneBookFile.h"
#include "files/PhoneBookVCard.h"
#include "files/TextFiles.h"
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "phonebook/PhoneBookCheck.h"
#include "platform/Errors.h"
#include "sms/SmsFilters.h"

CliSession::CliSession(const CoreEnvironment& env, const Options& options)
    : opt(options),
      deviceName(env.deviceName),
      current(!opt.backup.isEmpty() || opt.leaveOutHeld ? Chain::LoadSim : opt.chain) {
  link = std::make_unique<LinkCore>(env, this);
  link->Messages = opt.messages;
  link->MaxLengthNumber = opt.maxLengthNumber;
  link->PortLabel = opt.portLabel;
  link->SetRelayA(opt.relayA);
  link->SetRelayB(opt.relayB);
  // Only the commands' own data: no log of calls is kept in a run of minutes.
  link->KeepAdmissionLog = false;
}

CliSession::~CliSession() = default;

void CliSession::Begin() {
  link->ComPort1->SetComNumber(opt.port);
  try {
    // A run killed while the unit waited for an SMS body left it waiting: it would store our
    // first command as that SMS.
    link->ComPort1->SendText(At::CancelBody);
    link->Start();
  } catch (const Exception& e) {
    // The port's own errors do not say which port.
    if (say) say(QStringLiteral("%1: %2").arg(portText(), ErrorReportText(e.Message)));
    end(NoLink);
    return;
  }
  link->Timer1->start();
  schedule();
}

QString CliSession::portText() const {
  const QString device = deviceName ? deviceName(opt.port) : QString();
  if (!opt.portLabel.isEmpty() || device.isEmpty()) return link->PortName();
  return QStringLiteral("%1 (%2)").arg(link->PortName(), device);
}

void CliSession::showWaiting() {
  // Shown from the first tick on (a second), or the first report: someone at a terminal
  // hears what the run waits for.
  if (!progress || pressed || over) return;
  // The first report opens the free window the chain starts in: until then the unit is silent.
  const bool reported = link->Countdown != 0 || !link->Link.OperatorName.isEmpty();
  const QString text =
      (reported ? opt.messages.WaitingForWindow : opt.messages.WaitingForReport).arg(portText());
  if (text == lastProgress) return;
  lastProgress = text;
  progress(text);
}

void CliSession::end(int status) {
  if (over) return;
  over = true;
  link->Timer1->stop();
  if (finished) finished(status);
}

// Steps run once the core's handler has returned: a chain is never started inside one.
void CliSession::schedule() {
  if (stepQueued || over) return;
  stepQueued = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        stepQueued = false;
        step();
      },
      Qt::QueuedConnection);
}

bool CliSession::ready() const { return link->CanStart(current); }

void CliSession::step() {
  if (over || pressed || !ready()) return;
  pressing = true;
  switch (current) {
    case Chain::LoadSim:
      link->LoadPHONEClick();
      break;
    case Chain::OverwriteSim:
      link->PhoneBookLines = opt.phoneBook;
      link->SavePhoneClick();
      break;
    case Chain::AddToSim:
      link->PhoneBookLines = opt.phoneBook;
      link->AddToSIMClick();
      break;
    case Chain::LoadSms:
      link->ButtonLoadSMSClick();
      break;
    case Chain::SaveSms:
      for (int k = 0; k < 6; ++k) {
        // As the window's edits hold what a file gives them.
        link->Pairs[k].phone = FilterPhone(opt.pairs[k].phone, opt.maxLengthNumber);
        link->Pairs[k].text = FilterText(opt.pairs[k].text);
      }
      link->ButtonSaveSMSClick();
      break;
    case Chain::DeleteSms:
      link->ButtonDeleteSMSClick();
      break;
    case Chain::None:
      break;
  }
  pressing = false;
  // A chain whose guard held it back is pressed again at the next chance.
  pressed = pressed || link->Link.Running == current;
}

void CliSession::Told(const Notice& notice) {
  switch (notice.kind) {
    case Notice::Kind::ChainEnded:
      if (!pressed && !pressing) return;
      pressed = true;
      // After the handler: an error that ended the chain is told right behind this.
      QMetaObject::invokeMethod(
          this, [this, notice] { finish(notice); }, Qt::QueuedConnection);
      return;
    case Notice::Kind::Error:
    case Notice::Kind::PortLost:
      if (say) say(ErrorReportText(notice.text));
      schedule();
      return;
    case Notice::Kind::NoCommunication:
      // The window would ask for another port: a script has none to offer.
      if (pressed) return;
      if (progress && !lastProgress.isEmpty()) progress(QString());
      if (say) say(opt.messages.NoLink.arg(portText()));
      end(NoLink);
      return;
  }
}

void CliSession::finish(const Notice& ended) {
  if (over) return;
  if (progress && !lastProgress.isEmpty()) progress(QString());
  lastProgress.clear();
  if (current != opt.chain) {
    readFirst(ended);
    return;
  }
  // A chain ended by an error (told already) still names what it left undone.
  const QString text = ended.text.isEmpty() ? ended.undone : ended.text;
  if (!text.isEmpty() && say) say(text);
  const bool load = opt.chain == Chain::LoadSim || opt.chain == Chain::LoadSms;
  if (!ended.complete) {
    if (load && say) say(opt.messages.FileNotWritten.arg(opt.file));
    // Given up while the unit sent nothing at all: no link, as for a port that stays silent.
    return end(ended.silent ? NoLink : DoneInPart);
  }
  if (load) {
    try {
      if (opt.chain == Chain::LoadSim) {
        writeOut(link->PhoneBookLines);
      } else {
        QStringList fields;
        for (const SmsPair& p : link->Pairs) fields << p.phone << p.text;
        writeOut(fields);
      }
    } catch (const Exception& e) {
      const QString error = ErrorReportText(e.Message);
      if (say)
        say(error.contains(opt.file) ? error : QStringLiteral("%1: %2").arg(opt.file, error));
      return end(BadFile);
    }
  }
  end(Done);
}

void CliSession::writeOut(const QStringList& lines) {
  if (opt.file != QLatin1String("-")) {
    if (opt.chain == Chain::LoadSim && IsVCardFile(opt.file))
      WritePhoneBookVcf(opt.file, lines);
    else if (opt.chain == Chain::LoadSim)
      WritePhoneBookFile(opt.file, lines);
    else
      WriteSmsFile(opt.file, lines);
    return;
  }
  const QByteArray bytes = FileCharset::System().EncodeLines(lines);
  if (fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
      fflush(stdout) != 0)
    throw EFCreateError(QStringLiteral("Cannot write to standard output"));
}

// The SIM read before a write: kept as the backup, and what an addition need not write again.
// Nothing on the unit has changed yet, whatever goes wrong here.
bool CliSession::readFirst(const Notice& ended) {
  if (!ended.complete) {
    const QString text = ended.text.isEmpty() ? ended.undone : ended.text;
    if (!text.isEmpty() && say) say(text);
    if (say) say(opt.messages.NothingErased);
    end(DoneInPart);
    return false;
  }
  const QStringList held = link->PhoneBookLines;
  if (!opt.backup.isEmpty()) {
    try {
      WritePhoneBookFile(opt.backup, held);
    } catch (const Exception& e) {
      if (say) say(ErrorReportText(e.Message));
      if (say) say(opt.messages.NothingErased);
      end(BadFile);
      return false;
    }
    if (say) say(opt.messages.BackupWritten.arg(opt.backup));
  }
  if (opt.leaveOutHeld) {
    int leftOut = 0;
    opt.phoneBook = RowsNotHeld(opt.phoneBook, held, &leftOut);
    if (leftOut > 0 && say) say(opt.messages.Counted(opt.messages.RowsHeld, leftOut).arg(leftOut));
    bool any = false;  // a row with a number: placeholders write nothing
    for (const QString& row : opt.phoneBook)
      any = any || !row.section(QLatin1Char('='), 1).isEmpty();
    if (!any) {
      end(Done);
      return false;
    }
  }
  current = opt.chain;
  pressed = false;
  schedule();
  return true;
}

void CliSession::StatusChanged(Status what) {
  if (what == Status::ProgressPosition || what == Status::ProgressMaximum) showProgress();
  if (what == Status::Countdown || what == Status::Operator) showWaiting();
  // Whatever the unit said may have made the link ready for the chain.
  if (!pressed) schedule();
}

void CliSession::PhoneBookChanged(BookChange change) {
  if (change != BookChange::Home && change != BookChange::Replaced) showProgress();
}

void CliSession::SmsPairChanged(int pair, bool phone) {
  // As the window's edits hold them: the file gets what the window would save.
  QString& field = phone ? link->Pairs[pair].phone : link->Pairs[pair].text;
  field = phone ? FilterPhone(field, opt.maxLengthNumber) : FilterText(field);
}

void CliSession::SmsListChanged(bool /*emptied*/, const QByteArray& /*added*/) {
  if (opt.chain == Chain::LoadSms) showProgress();
}

QString CliSession::ChainName(Chain c) const {
  const QString& name = opt.chainNames[int(c)];
  return name.isEmpty() ? LinkFace::ChainName(c) : name;
}

void CliSession::showProgress() {
  if (!progress || !pressed) return;
  const LinkState& l = link->Link;
  const MessageTexts& m = opt.messages;
  QString line;
  switch (current) {
    case Chain::LoadSim:
      line = m.RowsRead.arg(link->PhoneBookLines.size());
      break;
    case Chain::OverwriteSim:
    case Chain::AddToSim:
      if (l.ErasingPhoneBook)
        line = m.EntriesErased.arg(qBound(0, l.StepIndex, l.PhoneBookCapacity - 1))
                   .arg(l.PhoneBookCapacity - 1);
      else if (l.WritingPhoneBook)
        line = m.RowsWritten.arg(qBound(0, l.StepIndex - 1, int(l.WriteRows.size())))
                   .arg(l.WriteRows.size());
      else if (l.ReadBack)
        line = m.RowsReadBack.arg(link->PhoneBookLines.size());
      break;
    case Chain::LoadSms:
      line = m.SmsRead.arg(l.Listed.size());
      break;
    case Chain::SaveSms:
      if (l.DeletingSms)
        line = m.SlotsFreed.arg(qBound(0, l.StepIndex - 1, 7));
      else if (l.WritingSms)
        line = m.PairsSaved.arg(qBound(0, l.StepIndex - 1, 6));
      break;
    case Chain::DeleteSms:
      line = m.SlotsDeleted.arg(qMax(0, l.StepIndex - 1));
      break;
    case Chain::None:
      break;
  }
  if (line.isEmpty() || line == lastProgress) return;
  lastProgress = line;
  progress(line);
}
