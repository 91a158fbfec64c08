// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MemorySerialDevice.h"

#include "unit/UnitEngine.h"

MemorySerialDevice::MemorySerialDevice(MemorySerialDeviceFactory* line) : line(line) {}

MemorySerialDevice::~MemorySerialDevice() { close(); }

SerialDevice::OpenResult MemorySerialDevice::open(const QString& deviceName, int* errorCode,
                                                  QString* errorText) {
  line->names << deviceName;
  OpenResult result = line->openResult;
  if (!line->isPlugged) {
    result = OpenResult::NotFound;
  } else if (line->nextFails) {
    line->nextFails = false;
    result = line->nextResult;
  }
  if (result == OpenResult::Ok && line->current && line->current != this)
    result = OpenResult::InUse;
  if (result == OpenResult::OtherError) {
    if (errorCode) *errorCode = line->errorCode;
    if (errorText) *errorText = line->errorText;
  }
  if (result != OpenResult::Ok) return result;
  name = deviceName;
  opened = true;
  input.clear();
  line->current = this;
  return OpenResult::Ok;
}

void MemorySerialDevice::close() {
  opened = false;
  input.clear();
  if (line->current == this) line->current = nullptr;
}

bool MemorySerialDevice::write(const QByteArray& bytes) {
  if (!opened || line->writesRefused) return false;
  line->sent += bytes;
  line->engine->feed(bytes);
  line->collect();
  return true;
}

bool MemorySerialDevice::present(const QString&) const { return line->isPlugged; }

void MemorySerialDevice::lose(const QString& reason) {
  close();
  QMetaObject::invokeMethod(
      &context,
      [this, reason] {
        if (onLost) onLost(reason);
      },
      Qt::QueuedConnection);
}

QByteArray MemorySerialDevice::read(qint64 maxBytes) {
  const QByteArray r = input.left(int(maxBytes));
  input.remove(0, r.size());
  return r;
}

void MemorySerialDevice::deliver(const QByteArray& bytes) {
  if (!opened || bytes.isEmpty()) return;
  input += bytes;
  if (announced) return;
  announced = true;
  QMetaObject::invokeMethod(
      &context,
      [this] {
        announced = false;
        if (opened && !input.isEmpty() && onReadyRead) onReadyRead();
      },
      Qt::QueuedConnection);
}

MemorySerialDeviceFactory::MemorySerialDeviceFactory(UnitEngine* unit) : engine(unit) {}

std::unique_ptr<SerialDevice> MemorySerialDeviceFactory::create() {
  return std::make_unique<MemorySerialDevice>(this);
}

void MemorySerialDeviceFactory::setOpenResult(SerialDevice::OpenResult result, int code,
                                              const QString& text) {
  openResult = result;
  errorCode = code;
  errorText = text;
}

void MemorySerialDeviceFactory::failNextOpen(SerialDevice::OpenResult result) {
  nextFails = true;
  nextResult = result;
}

void MemorySerialDeviceFactory::unplug() {
  isPlugged = false;
  if (current) current->lose(QStringLiteral("Input/output error"));
}

void MemorySerialDeviceFactory::plugBack() { isPlugged = true; }

void MemorySerialDeviceFactory::collect() {
  const QByteArray bytes = engine->takeOutput();
  if (!current) return;
  if (!current->isOpen()) return;
  deliveredBytes += quint64(bytes.size());
  current->deliver(bytes);
  if (onDelivered && !bytes.isEmpty()) onDelivered(bytes);
}
