// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSession.h"

#include <QTimer>

#include "files/PhoneBookFile.h"
#include "files/TextFiles.h"
#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "platform/Errors.h"
#include "sms/SmsFilters.h"

CliSession::CliSession(const CoreEnvironment& env, const Options& options) : opt(options) {
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
    if (say) say(ErrorReportText(e.Message));
    end(NoLink);
    return;
  }
  link->Timer1->start();
  schedule();
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

bool CliSession::ready() const { return link->CanStart(opt.chain); }

void CliSession::step() {
  if (over || pressed || !ready()) return;
  pressing = true;
  switch (opt.chain) {
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
  pressed = pressed || link->Link.Running == opt.chain;
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
      if (say)
        say(QStringLiteral("%1: no link: the unit has not answered or reported for the "
                           "watchdog's time")
                .arg(link->PortName()));
      end(NoLink);
      return;
  }
}

void CliSession::finish(const Notice& ended) {
  if (over) return;
  if (progress && !lastProgress.isEmpty()) progress(QString());
  // A chain ended by an error (told already) still names what it left undone.
  const QString text = ended.text.isEmpty() ? ended.undone : ended.text;
  if (!text.isEmpty() && say) say(text);
  const bool load = opt.chain == Chain::LoadSim || opt.chain == Chain::LoadSms;
  if (!ended.complete) {
    if (load && say) say(QStringLiteral("%1 was not written.").arg(opt.file));
    // Given up while the unit sent nothing at all: no link, as for a port that stays silent.
    return end(ended.silent ? NoLink : DoneInPart);
  }
  if (load) {
    try {
      if (opt.chain == Chain::LoadSim) {
        WritePhoneBookFile(opt.file, link->PhoneBookLines);
      } else {
        QStringList fields;
        for (const SmsPair& p : link->Pairs) fields << p.phone << p.text;
        WriteSmsFile(opt.file, fields);
      }
    } catch (const Exception& e) {
      if (say) say(ErrorReportText(e.Message));
      return end(BadFile);
    }
  }
  end(Done);
}

void CliSession::StatusChanged(Status what) {
  if (what == Status::ProgressPosition || what == Status::ProgressMaximum) showProgress();
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

QString CliSession::ChainName(Chain c) const {
  const QString& name = opt.chainNames[int(c)];
  return name.isEmpty() ? LinkFace::ChainName(c) : name;
}

void CliSession::showProgress() {
  if (!progress || !pressed) return;
  const LinkState& l = link->Link;
  QString line;
  switch (opt.chain) {
    case Chain::LoadSim:
      line = QStringLiteral("rows read: %1").arg(link->PhoneBookLines.size());
      break;
    case Chain::OverwriteSim:
    case Chain::AddToSim:
      if (l.ErasingPhoneBook)
        line = QStringLiteral("entries erased: %1 of %2")
                   .arg(qBound(0, l.StepIndex, l.PhoneBookCapacity - 1))
                   .arg(l.PhoneBookCapacity - 1);
      else if (l.WritingPhoneBook)
        line = QStringLiteral("rows written: %1 of %2")
                   .arg(qBound(0, l.StepIndex - 1, int(l.WriteRows.size())))
                   .arg(l.WriteRows.size());
      else if (l.ReadBack)
        line = QStringLiteral("rows read back: %1").arg(link->PhoneBookLines.size());
      break;
    case Chain::SaveSms:
      if (l.DeletingSms)
        line = QStringLiteral("slots freed: %1 of 7").arg(qBound(0, l.StepIndex - 1, 7));
      else if (l.WritingSms)
        line = QStringLiteral("pairs saved: %1 of 6").arg(qBound(0, l.StepIndex - 1, 6));
      break;
    case Chain::DeleteSms:
      line = QStringLiteral("slots deleted: %1").arg(qMax(0, l.StepIndex - 1));
      break;
    case Chain::LoadSms:
    case Chain::None:
      break;
  }
  if (line.isEmpty() || line == lastProgress) return;
  lastProgress = line;
  progress(line);
}
