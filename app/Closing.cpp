// SPDX-License-Identifier: GPL-3.0-or-later
// Closing the window: the settings written back, and nothing lost without asking (admission
// records in no file yet, a write to the SIM halfway). An end the program cannot refuse puts
// the records in a file beside the settings, and the next start says where.
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "admissions/AdmissionRecord.h"
#include "app/Form1.h"
#include "phonebook/NameValueGrid.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

namespace {

bool writesToSim(Chain chain) {
  return chain == Chain::OverwriteSim || chain == Chain::AddToSim || chain == Chain::SaveSms ||
         chain == Chain::DeleteSms;
}

}  // namespace

bool TForm1::FormClose() {
  // A settings file that cannot be written is reported, but must not keep the window open:
  // on a read-only program folder the window could otherwise never be closed.
  try {
    WriteSettings();
    return true;
  } catch (const Exception& e) {
    ReportError(e.Message);
    return false;
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!MayClose()) return event->ignore();
  FormClose();
  Timer1->stop();
  event->accept();
}

bool TForm1::AdmissionsPending() const {
  return !Link.AdmisFresh && !AdmisRec->Strings().isEmpty();
}

bool TForm1::MayClose() {
  const bool records = AdmissionsPending();
  const Chain chain = Link.Running;
  const bool writing = writesToSim(chain);
  if (!records && !writing) return true;
  QStringList told, answers;
  const qsizetype count = AdmisRec->Strings().size();
  if (records) told << Messages.Counted(Messages.RecordsNotSaved, count).arg(count);
  if (writing) told << Messages.WriteRunning.arg(SimButtons[int(chain) - 1]->text());
  if (records) answers << Messages.SaveRecords;
  answers << Messages.CloseAnyway << Messages.DoNotClose;
  const int answer = Env.dialogs->choose(told.join(QLatin1Char('\n')), answers);
  if (answer == answers.size() - 1) return false;
  if (records && answer == 0) {
    // The log's own Save; cancelled or failed, the window stays.
    guarded([this] { SavClick(); });
    if (AdmissionsPending()) return false;
  }
  // A unit left waiting for an SMS body would store the next start's first command as its text.
  Core->StopRunningChain();
  return true;
}

QString TForm1::RescueFileName() const {
  const QFileInfo settings(settingsFileName());
  return settings.absoluteDir().filePath(settings.completeBaseName() +
                                         QStringLiteral("-unsaved.csv"));
}

void TForm1::RescueAdmissions() {
  if (Rescued || !AdmissionsPending()) return;
  Rescued = true;
  QList<AdmissionRow> rows;
  for (const QString& line : AdmisRec->Strings())
    rows.append({line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1)});
  const QStringList lines = AdmissionCsv(rows);
  QByteArray bytes;
  try {
    bytes = FileCharset::System().EncodeLines(lines);
  } catch (const EUnwritableText&) {
    bytes = FileCharset::Utf8().EncodeLines(lines);  // kept in a set that holds them
  }
  // Added to what an earlier end left there, if nobody has been told of it yet.
  try {
    Core->Sink.Append(RescueFileName(), bytes);
  } catch (const EAdmissionFileError& e) {
    // Nowhere to write: the session's log gets them.
    std::fprintf(stderr, "zulset: cannot write %s (%s); admission records not saved:\n%s",
                 qPrintable(RescueFileName()), qPrintable(e.Message), bytes.constData());
  }
}

void TForm1::TellOfRescuedAdmissions() {
  const QFileInfo rescued(RescueFileName());
  if (!rescued.exists()) return;
  // A name of their own: said once, and the next end does not add to them.
  const QString kept = rescued.absoluteDir().filePath(
      rescued.completeBaseName() +
      rescued.lastModified().toString(QStringLiteral("-yyyy-MM-dd-HHmmss")) +
      QStringLiteral(".csv"));
  const bool renamed = !QFileInfo::exists(kept) && QFile::rename(rescued.filePath(), kept);
  Env.dialogs->message(
      Messages.RecordsKept.arg(QDir::toNativeSeparators(renamed ? kept : rescued.filePath())));
}
