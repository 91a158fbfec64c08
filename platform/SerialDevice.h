#pragma once
// What TComPort needs of a serial port. Real: Qt SerialPort (QtSerialDevice).
// Tests: an in-memory device wired to the simulated unit.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class SerialDevice {
 public:
  enum class OpenResult { Ok, NotFound, InUse, OtherError };

  virtual ~SerialDevice() = default;
  // Opens exclusively at 19200 8N1, raw, DTR and RTS on, no flow control.
  // On OtherError, *errorCode and *errorText tell the system's error.
  virtual OpenResult open(const QString& deviceName, int* errorCode, QString* errorText) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Queues bytes for transmission; never waits for them to leave.
  virtual void write(const QByteArray& bytes) = 0;
  // Bytes queued by write() that have not left yet.
  virtual qint64 bytesToWrite() const = 0;
  // Takes at most maxBytes of what has arrived; never waits.
  virtual QByteArray read(qint64 maxBytes) = 0;
  virtual qint64 bytesAvailable() const = 0;
  // Drops whatever has arrived and not been read.
  virtual void clearInput() = 0;

  // Called from the event loop when bytes have arrived.
  std::function<void()> onReadyRead;
  // Called from the event loop, once, when the device has gone (unplugged, other end hung
  // up); the device is closed by then. The text tells the system's reason.
  std::function<void(const QString&)> onLost;
};

class SerialDeviceFactory {
 public:
  virtual ~SerialDeviceFactory() = default;
  virtual std::unique_ptr<SerialDevice> create() = 0;
};
