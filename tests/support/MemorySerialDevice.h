// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An in-memory serial line to the simulated unit. What the program writes goes to the
// UnitEngine at once; what the unit sends lands in the open device's input and its arrival
// is announced through the event loop, never from inside write().
//
// The adapter can be pulled out and put back, as a USB adapter or a restarted zulsim would:
//
//   line.unplug();     // the open device is lost (onLost from the event loop, as a real one);
//                      // opens answer NotFound, present() is false, the unit's bytes are lost
//   line.plugBack();   // opens work again; the program has to open the device afresh
//
// The loss reads "Input/output error", so the window reports "COM9 is no longer available
// (Input/output error)"; it looks for the device at every Timer1 tick, so in the window harness
// plugBack() followed by run(1000) has the port open again.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/SerialDevice.h"

class UnitEngine;
class MemorySerialDeviceFactory;

class MemorySerialDevice : public SerialDevice {
 public:
  explicit MemorySerialDevice(MemorySerialDeviceFactory* line);
  ~MemorySerialDevice() override;

  OpenResult open(const QString& deviceName, int* errorCode, QString* errorText) override;
  void close() override;
  bool isOpen() const override { return opened; }
  bool write(const QByteArray& bytes) override;
  qint64 bytesToWrite() const override { return 0; }
  QByteArray read(qint64 maxBytes) override;
  qint64 bytesAvailable() const override { return input.size(); }
  void clearInput() override { input.clear(); }
  bool present(const QString& deviceName) const override;

  // Bytes from the unit: kept, and their arrival posted to the event loop.
  void deliver(const QByteArray& bytes);
  QString deviceName() const { return name; }
  // Gone from under its owner: closed, and onLost announced through the event loop.
  void lose(const QString& reason);

 private:
  MemorySerialDeviceFactory* line;
  QByteArray input;
  QString name;
  bool opened = false;
  bool announced = false;
  QObject context;  // drops a pending announcement together with the device
};

class MemorySerialDeviceFactory : public SerialDeviceFactory {
 public:
  explicit MemorySerialDeviceFactory(UnitEngine* unit);
  std::unique_ptr<SerialDevice> create() override;

  UnitEngine* unit() const { return engine; }

  // Every open() answers result until told otherwise (Ok = opens).
  void setOpenResult(SerialDevice::OpenResult result, int errorCode = 5,
                     const QString& errorText = QStringLiteral("Input/output error"));
  // Only the next open() answers result.
  void failNextOpen(SerialDevice::OpenResult result);

  // The adapter (see above). unplug() while nothing is open only makes opens fail.
  void unplug();
  void plugBack();
  bool plugged() const { return isPlugged; }
  // While on, every write() is refused (the system's write fails); nothing reaches the unit.
  void refuseWrites(bool on) { writesRefused = on; }

  // Device names open() was called with, failed ones included, in order.
  const QStringList& openedNames() const { return names; }
  // The device that is open now, or nullptr.
  MemorySerialDevice* openDevice() const { return current; }
  // Everything the program has written, in order.
  const QByteArray& written() const { return sent; }
  void clearWritten() { sent.clear(); }
  // Bytes of the unit that reached an open device.
  quint64 delivered() const { return deliveredBytes; }

  // Moves what the unit has sent into the open device (lost on the line when none is open).
  void collect();
  // Told of the bytes each collect() puts into the open device.
  std::function<void(const QByteArray&)> onDelivered;

 private:
  friend class MemorySerialDevice;
  UnitEngine* engine;
  SerialDevice::OpenResult openResult = SerialDevice::OpenResult::Ok;
  SerialDevice::OpenResult nextResult = SerialDevice::OpenResult::Ok;
  bool nextFails = false;
  bool isPlugged = true;
  bool writesRefused = false;
  int errorCode = 0;
  QString errorText;
  QStringList names;
  MemorySerialDevice* current = nullptr;
  QByteArray sent;
  quint64 deliveredBytes = 0;
};
