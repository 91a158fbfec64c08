// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ComPort.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/Errors.h"

struct TComPort::Private {
  enum class State { Closed, Open, ShuttingDown };

  Private(TComPort* q, SerialDeviceFactory* factory, std::function<int()> choosePort,
          std::function<QString(int)> deviceName)
      : q(q),
        factory(factory),
        choosePort(std::move(choosePort)),
        deviceName(std::move(deviceName)) {}

  TComPort* q;
  SerialDeviceFactory* factory;
  std::function<int()> choosePort;
  std::function<QString(int)> deviceName;
  std::unique_ptr<SerialDevice> device;

  State state = State::Closed;
  int comNumber = 0;
  bool choosing = false;  // the port choice dialog is up
  // The device went away while open: the program never closed the port, so a change of
  // ComNumber still reopens it at once (that is how the user picks another port).
  bool lostOpen = false;
  // The program has asked for the port (the last opening did not end in a deliberate close):
  // while it is closed with a number, Revive looks for the device it last tried.
  bool wanted = false;
  QString triedName;
  // Start-up holds the data-available event back until the window exists.
  bool held = false;

  // Receive ring: `fill` bytes starting at readPos. Bytes read inside an event stay in it
  // (counted by eventRead) until the handler returns.
  QByteArray ring;
  int readPos = 0;
  int fill = 0;
  // Bytes ever put into the ring; unlike the write position it cannot wrap back onto the
  // value it had at the last event.
  quint64 received = 0;
  quint64 receivedAtLastEvent = 0;

  bool inEvent = false;
  int eventRead = 0;
  bool offerAgain = false;  // the handler asked for the rest of its bytes at once
  // Bumped by every close, so that an event outliving its port frees nothing in the next one.
  quint64 generation = 0;
  bool dispatchQueued = false;

  int writePos() const { return (readPos + fill) % BufferSize; }
  int unread() const { return fill - (inEvent ? eventRead : 0); }

  void resetRing() {
    readPos = 0;
    fill = 0;
    received = 0;
    receivedAtLastEvent = 0;
    eventRead = 0;
    offerAgain = false;
  }

  void free(int n) {
    readPos = (readPos + n) % BufferSize;
    fill -= n;
  }

  // Takes from the device only what fits; the rest waits there.
  void pull() {
    int room = BufferSize - fill;
    while (room > 0 && device->bytesAvailable() > 0) {
      const QByteArray bytes = device->read(room);
      if (bytes.isEmpty()) break;
      // Up to the ring's end, then from its start.
      const int pos = writePos();
      const int first = std::min<int>(bytes.size(), BufferSize - pos);
      std::memcpy(ring.data() + pos, bytes.constData(), first);
      std::memcpy(ring.data(), bytes.constData() + first, bytes.size() - first);
      fill += bytes.size();
      received += bytes.size();
      room -= bytes.size();
    }
  }

  void scheduleDispatch() {
    if (dispatchQueued) return;
    dispatchQueued = true;
    QMetaObject::invokeMethod(
        q,
        [this] {
          dispatchQueued = false;
          dispatch();
        },
        Qt::QueuedConnection);
  }

  // Runs from the event loop only (device notification, end of an event, release of a hold),
  // never from inside a device callback, so a handler may close the port without pulling the
  // device away from under its own caller. There is no poll behind the notification: the
  // device announces every arrival, and bytes that wait in it for room in the ring are taken
  // when a handler returns; a poll would only wake the program at rest.
  void dispatch() {
    if (state != State::Open) return;
    pull();
    if (inEvent || held) return;  // the handler's return (or the release) brings the next event
    const bool again = std::exchange(offerAgain, false);
    if ((received == receivedAtLastEvent && !again) || unread() < 1 || !q->OnTriggerAvail) return;
    raiseEvent();
  }

  struct EventScope {
    Private* d;
    quint64 generation;
    explicit EventScope(Private* p) : d(p), generation(p->generation) {
      d->inEvent = true;
      d->eventRead = 0;
    }
    ~EventScope() {
      d->inEvent = false;
      if (d->generation != generation) return;  // the handler closed the port
      d->free(d->eventRead);
      d->eventRead = 0;
      // Bytes that arrived behind the handler, or that waited in the device for room.
      if (d->received != d->receivedAtLastEvent || d->device->bytesAvailable() > 0 ||
          (d->offerAgain && d->unread() > 0))
        d->scheduleDispatch();
    }
  };

  void raiseEvent() {
    receivedAtLastEvent = received;
    const int count = fill;
    EventScope scope(this);
    q->OnTriggerAvail(q, count);
  }

  void open() {
    if (comNumber == 0) {
      // A timer handler behind the dialog must not stack a second dialog.
      if (choosing) throw ENoPortSelected();
      choosing = true;
      int chosen = 0;
      try {
        chosen = choosePort ? choosePort() : 0;
      } catch (...) {
        choosing = false;
        throw;
      }
      choosing = false;
      if (chosen == 0) throw ENoPortSelected();
      if (state == State::Open) return;  // opened behind the dialog
      comNumber = chosen;
    }
    if (!device) device = factory->create();
    wanted = true;
    triedName = deviceName(comNumber);
    int code = 0;
    QString text;
    switch (device->open(triedName, &code, &text)) {
      case SerialDevice::OpenResult::Ok:
        break;
      case SerialDevice::OpenResult::NotFound:
        throw EBadId();
      case SerialDevice::OpenResult::InUse:
        throw EAlreadyOpen();
      case SerialDevice::OpenResult::PermissionDenied:
        throw EPermissionDenied(text.isEmpty() ? triedName : text);
      case SerialDevice::OpenResult::OtherError:
        throw EInOutError(text, code);
    }
    ring = QByteArray(BufferSize, '\0');
    resetRing();
    device->onReadyRead = [this] { scheduleDispatch(); };
    device->onLost = [this](const QString& reason) { lost(reason); };
    state = State::Open;
    lostOpen = false;
  }

  // The device went away under the open port: forget it as closed, so that the next
  // operation opens it afresh, and tell the program once.
  void lost(const QString& reason) {
    if (state != State::Open) return;
    device->onReadyRead = nullptr;
    device->onLost = nullptr;
    ++generation;
    resetRing();
    inEvent = false;
    state = State::Closed;
    lostOpen = true;
    if (q->OnPortLost) q->OnPortLost(q, reason);
  }

  void close() {
    if (state != State::Open) return;
    state = State::ShuttingDown;
    device->onReadyRead = nullptr;
    device->onLost = nullptr;
    device->clearInput();
    device->close();
    ++generation;
    resetRing();
    inEvent = false;
    state = State::Closed;
  }

  void ensureOpen() {
    if (state == State::Closed) open();
  }

  bool revive() {
    if (state != State::Closed || !wanted || comNumber == 0 || choosing) return false;
    // Only the device last tried: a ports/comN link that is gone must not make the port
    // fall back on the fixed table's device of the same number.
    if (deviceName(comNumber) != triedName || !factory) return false;
    if (!device) device = factory->create();
    if (!device->present(triedName)) return false;
    try {
      open();
    } catch (const EComPortError&) {
      return false;  // still not there, or not ours yet: the next look may tell
    }
    return true;
  }
};

TComPort::TComPort(SerialDeviceFactory* factory, std::function<int()> choosePort,
                   std::function<QString(int)> deviceName, QObject* parent)
    : QObject(parent),
      d(new Private(this, factory, std::move(choosePort), std::move(deviceName))) {}

TComPort::~TComPort() {
  d->wanted = false;
  d->close();
}

void TComPort::SendText(const QByteArray& text) {
  if (d->state == Private::State::ShuttingDown) return;
  d->ensureOpen();
  if (text.isEmpty()) return;
  const qint64 room = OutSize - d->device->bytesToWrite();
  if (text.size() > room) throw EOutputBufferTooSmall();
  if (!d->device->write(text)) throw EPutBlockFail();
}

unsigned char TComPort::ReadChar() {
  if (d->state == Private::State::ShuttingDown) return 0;
  d->ensureOpen();
  if (d->unread() < 1) throw EBufferIsEmpty();
  if (d->inEvent) {
    return static_cast<unsigned char>(d->ring[(d->readPos + d->eventRead++) % BufferSize]);
  }
  const auto c = static_cast<unsigned char>(d->ring[d->readPos]);
  d->free(1);
  return c;
}

QByteArrayView TComPort::Peek(int max) const {
  if (d->state != Private::State::Open) return {};
  const int start = (d->readPos + (d->inEvent ? d->eventRead : 0)) % BufferSize;
  const int size = std::min({max, d->unread(), BufferSize - start});
  return size > 0 ? QByteArrayView(d->ring.constData() + start, size) : QByteArrayView();
}

void TComPort::Skip(int count) {
  count = std::clamp(count, 0, d->unread());
  if (d->inEvent)
    d->eventRead += count;
  else
    d->free(count);
}

void TComPort::DiscardInput() {
  if (d->state == Private::State::ShuttingDown) return;
  d->ensureOpen();
  d->device->clearInput();
  if (d->inEvent) {
    d->eventRead = d->fill;  // freed when the handler returns
  } else {
    d->free(d->fill);
  }
}

int TComPort::ComNumber() const { return d->comNumber; }

void TComPort::SetComNumber(int number) {
  if (number == d->comNumber) return;
  if (d->state != Private::State::Open && !d->lostOpen) {
    d->comNumber = number;
    return;
  }
  d->lostOpen = false;
  d->close();
  d->comNumber = number;
  d->open();
}

void TComPort::ChoosePortAgain() {
  d->lostOpen = false;
  d->close();
  d->comNumber = 0;
  d->open();
}

bool TComPort::Revive() { return d->revive(); }

void TComPort::Close() {
  d->wanted = false;
  d->lostOpen = false;
  d->close();
}

qint64 TComPort::BytesToWrite() const {
  return d->state == Private::State::Open ? d->device->bytesToWrite() : 0;
}

void TComPort::HoldEvents(bool hold) {
  d->held = hold;
  if (!hold && d->state == Private::State::Open) d->scheduleDispatch();
}

void TComPort::OfferAgain() {
  if (d->inEvent) d->offerAgain = true;
}

bool TComPort::IsOpen() const { return d->state == Private::State::Open; }
