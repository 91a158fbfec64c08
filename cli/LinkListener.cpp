// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/LinkListener.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <cstring>

#include "link/AtCommands.h"
#include "link/ComPort.h"
#include "link/LineRules.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/SerialDevice.h"

// Hands every byte read from the device to the listener as well.
class LinkListener::Tap : public SerialDeviceFactory {
 public:
  Tap(SerialDeviceFactory* inner, LinkListener* listener) : inner(inner), listener(listener) {}

  std::unique_ptr<SerialDevice> create() override {
    return std::make_unique<Device>(inner->create(), listener);
  }

 private:
  class Device : public SerialDevice {
   public:
    Device(std::unique_ptr<SerialDevice> device, LinkListener* listener)
        : d(std::move(device)), listener(listener) {
      d->onReadyRead = [this] {
        if (onReadyRead) onReadyRead();
      };
      d->onLost = [this](const QString& why) {
        if (onLost) onLost(why);
      };
    }
    OpenResult open(const QString& name, int* code, QString* text) override {
      return d->open(name, code, text);
    }
    void close() override { d->close(); }
    bool isOpen() const override { return d->isOpen(); }
    bool write(const QByteArray& bytes) override { return d->write(bytes); }
    qint64 bytesToWrite() const override { return d->bytesToWrite(); }
    QByteArray read(qint64 maxBytes) override {
      const QByteArray bytes = d->read(maxBytes);
      if (!bytes.isEmpty()) listener->received(bytes);
      return bytes;
    }
    qint64 bytesAvailable() const override { return d->bytesAvailable(); }
    void clearInput() override { d->clearInput(); }
    bool present(const QString& name) const override { return d->present(name); }

   private:
    std::unique_ptr<SerialDevice> d;
    LinkListener* listener;
  };

  SerialDeviceFactory* inner;
  LinkListener* listener;
};

LinkListener::LinkListener(const CoreEnvironment& env, const Options& options)
    : opt(options), clock(env.clock) {
  CoreEnvironment core = env;
  if (opt.monitor) {
    tap = std::make_unique<Tap>(env.serial, this);
    core.serial = tap.get();
  }
  link = std::make_unique<LinkCore>(core, this);
  link->Messages = opt.messages;
  link->PortLabel = opt.portLabel;
  link->SetRelayA(opt.relayA);
  link->SetRelayB(opt.relayB);
  // Months of calls: each record goes to its file and is forgotten.
  link->KeepAdmissionLog = false;
  if (!opt.folder.isEmpty())
    records.emplace(opt.folder, opt.prefix, FileCharset::System(), opt.files);
  // Records that wait for the disk are tried again with the watchdog's tick: no timer of
  // their own to wake the process.
  connect(link->Timer1, &QTimer::timeout, this, [this] {
    if (records && records->Waiting() > 0) writeWaiting();
  });
}

LinkListener::~LinkListener() = default;

void LinkListener::tell(Level level, const QString& text) {
  if (say) say(level, text);
}

void LinkListener::Begin() {
  if (records) {
    try {
      if (const qsizetype kept = records->TakeSpool())
        tell(Level::Notice, QStringLiteral("%1 admission records a stop left in %2 go first.")
                                .arg(kept)
                                .arg(records->SpoolFile()));
    } catch (const Exception& e) {
      tell(Level::Error, ErrorReportText(e.Message));
    }
    if (records->Waiting() > 0) writeWaiting();
  }
  link->ComPort1->SetComNumber(opt.port);
  try {
    // The unit may still wait for an SMS body another program left open: our commands would
    // become its text.
    link->ComPort1->SendText(At::CancelBody);
    link->Start();
    tell(Level::Info, QStringLiteral("%1: listening.").arg(link->PortName()));
  } catch (const Exception& e) {
    tell(Level::Error, QStringLiteral("%1: %2 It is looked for every second.")
                           .arg(link->PortName(), ErrorReportText(e.Message)));
  }
  link->Timer1->start();
}

qsizetype LinkListener::End(int waitMs) {
  link->Timer1->stop();
  TComPort& port = *link->ComPort1;
  if (port.IsOpen()) {
    try {
      port.SendText(At::CancelBody);
    } catch (const Exception&) {
      // The device is going anyway; closing is all that is left.
    }
    // Qt writes from the event loop: let it, or the bytes die with the port.
    const QDeadlineTimer deadline(waitMs);
    while (port.IsOpen() && port.BytesToWrite() > 0 && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  port.Close();
  if (!records) return 0;
  QString failure;
  const qsizetype before = records->Waiting();
  try {
    records->Write();
  } catch (const EAdmissionFileError& e) {
    failure = writeFailure(e);
  }
  if (records->Waiting() < before && written) written();
  const QStringList lines = records->WaitingLines();
  // Each in full: if no file can take them, the journal is where they are.
  for (const QString& line : lines)
    tell(Level::Error, QStringLiteral("admission record not written: %1").arg(line));
  try {
    records->Spill();
    if (!lines.isEmpty())
      tell(Level::Error, QStringLiteral("%1 admission records were not written (%2); they are "
                                        "kept in %3 and written first at the next start.")
                             .arg(lines.size())
                             .arg(failure, records->SpoolFile()));
  } catch (const EAdmissionFileError& e) {
    if (!lines.isEmpty())
      tell(Level::Error, QStringLiteral("%1 admission records were not written (%2) and cannot "
                                        "be kept (%3); the lines above are all there is of them.")
                             .arg(lines.size())
                             .arg(failure, writeFailure(e)));
  }
  return lines.size();
}

void LinkListener::Reload(const QString& relayA, const QString& relayB,
                          const MessageTexts& messages) {
  opt.relayA = relayA;
  opt.relayB = relayB;
  link->Messages = messages;
  // Relay B names only the call its "+CSSU" announced: one in the air keeps it.
  const bool relayBNext = link->Link.RelayName == link->RelayB;
  link->SetRelayA(relayA);
  link->SetRelayB(relayB);
  if (relayBNext) link->Link.RelayName = relayB;
}

void LinkListener::Told(const Notice& notice) {
  switch (notice.kind) {
    case Notice::Kind::ChainEnded:
      return;  // no chain is started here
    case Notice::Kind::Error:
      // A garbled line: its handling ended, the next line is handled as ever.
      tell(Level::Warning, QStringLiteral("%1: %2").arg(link->PortName(), notice.text));
      return;
    case Notice::Kind::PortLost:
      tell(Level::Error, notice.text + QStringLiteral(". It is looked for every second."));
      return;
    case Notice::Kind::NoCommunication:
      // Nobody to ask for another port: the same one is listened to, and taken back whenever
      // its device comes again. A port that is not there was told already.
      if (silenceTold || !link->ComPort1->IsOpen()) return;
      silenceTold = true;
      tell(Level::Warning,
           QStringLiteral("%1: no report from the unit for two minutes; listening on.")
               .arg(link->PortName()));
      return;
  }
}

void LinkListener::StatusChanged(Status what) {
  if (what == Status::PortBack)
    tell(Level::Notice, QStringLiteral("%1: taken back; listening.").arg(link->PortName()));
  if (what == Status::Countdown && link->Countdown == -27 && silenceTold) {
    silenceTold = false;
    tell(Level::Notice, QStringLiteral("%1: the unit reports again.").arg(link->PortName()));
  }
}

void LinkListener::received(const QByteArray& bytes) {
  for (const char c : bytes) {
    if (c == '\r') {
      // The unit frames each line in line ends: the empty line before it carries nothing.
      if (!rawLine.isEmpty() && line)
        line((IsoLocalTime(clock->now()) + QLatin1Char(' ') + MonitorText(rawLine)).toLatin1());
      rawLine.clear();
    } else if (!(c == '\n' && rawLine.isEmpty()) && rawLine.size() < kMaxLineLength) {
      // The line feed after a carriage return is the frame's, not the line's.
      rawLine += c;
    }
  }
}

void LinkListener::Admitted(const QString& record, const QDateTime& at) {
  if (!records) return;
  const QString note = records->Add(record, at.date());
  if (!note.isEmpty()) tell(Level::Warning, note);
  writeWaiting();
}

QString LinkListener::writeFailure(const EAdmissionFileError& e) {
  return QStringLiteral("Cannot write file \"%1\". %2")
      .arg(e.FileName, QString::fromLocal8Bit(std::strerror(e.Code)));
}

void LinkListener::writeWaiting() {
  const qsizetype before = records->Waiting();
  try {
    records->Write();
  } catch (const EAdmissionFileError& e) {
    if (records->Waiting() < before && written) written();
    if (!writeFailing)
      tell(Level::Error, QStringLiteral("%1. %2 admission records wait and are tried every second.")
                             .arg(writeFailure(e))
                             .arg(records->Waiting()));
    writeFailing = true;
    return;
  }
  if (before > 0 && written) written();
  if (writeFailing)
    tell(Level::Notice, QStringLiteral("%1 waiting admission records written.").arg(before));
  writeFailing = false;
  if (before > 0 && written) written();
}

QString MonitorText(const QByteArray& line) {
  QString text;
  text.reserve(line.size());
  for (const char c : line) {
    const auto b = static_cast<unsigned char>(c);
    if (b == '\\')
      text += QStringLiteral("\\\\");
    else if (b < 0x20 || b >= 0x7F)
      text += QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'));
    else
      text += QChar(b);
  }
  return text;
}

QString IsoLocalTime(const QDateTime& at) {
  // As an offset, the time carries its zone into the text; "Z" where the zone is UTC.
  return at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs);
}
