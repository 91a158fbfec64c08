// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What TComPort needs of a serial port. Real: Qt SerialPort (QtSerialDevice).
// Tests: an in-memory device wired to the simulated unit.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class SerialDevice {
 public:
  // PermissionDenied: the device exists but this user may not open it (Unix; on Windows a
  // refused open means that another program holds the port, InUse).
  enum class OpenResult { Ok, NotFound, InUse, PermissionDenied, OtherError };

  virtual ~SerialDevice() = default;
  // Opens exclusively at 19200 8N1, raw, DTR and RTS on, no flow control.
  // On OtherError, *errorCode and *errorText tell the system's error; on PermissionDenied,
  // *errorText names the device that was refused.
  virtual OpenResult open(const QString& deviceName, int* errorCode, QString* errorText) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Queues bytes for transmission; never waits for them to leave. False when the system
  // refused them (not all of them are on their way).
  virtual bool write(const QByteArray& bytes) = 0;
  // Bytes queued by write() that have not left yet.
  virtual qint64 bytesToWrite() const = 0;
  // Takes at most maxBytes of what has arrived; never waits.
  virtual QByteArray read(qint64 maxBytes) = 0;
  virtual qint64 bytesAvailable() const = 0;
  // Drops whatever has arrived and not been read.
  virtual void clearInput() = 0;
  // Whether the device seems to be there now, without opening it: a cheap look that decides
  // whether opening is worth a try. Only open() can tell for sure.
  virtual bool present(const QString& deviceName) const {
    (void)deviceName;
    return true;
  }

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
