#pragma once
// An in-memory serial line to the simulated unit. What the program writes goes to the
// UnitEngine at once; what the unit sends lands in the open device's input and its arrival
// is announced through the event loop, never from inside write().
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
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
  void write(const QByteArray& bytes) override;
  qint64 bytesToWrite() const override { return 0; }
  QByteArray read(qint64 maxBytes) override;
  qint64 bytesAvailable() const override { return input.size(); }
  void clearInput() override { input.clear(); }

  // Bytes from the unit: kept, and their arrival posted to the event loop.
  void deliver(const QByteArray& bytes);
  QString deviceName() const { return name; }

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

  // Device names open() was called with, failed ones included, in order.
  const QStringList& openedNames() const { return names; }
  // The device that is open now, or nullptr.
  MemorySerialDevice* openDevice() const { return current; }
  // Everything the program has written, in order.
  const QByteArray& written() const { return sent; }
  void clearWritten() { sent.clear(); }

  // Moves what the unit has sent into the open device (lost on the line when none is open).
  void collect();

 private:
  friend class MemorySerialDevice;
  UnitEngine* engine;
  SerialDevice::OpenResult openResult = SerialDevice::OpenResult::Ok;
  SerialDevice::OpenResult nextResult = SerialDevice::OpenResult::Ok;
  bool nextFails = false;
  int errorCode = 0;
  QString errorText;
  QStringList names;
  MemorySerialDevice* current = nullptr;
  QByteArray sent;
};
