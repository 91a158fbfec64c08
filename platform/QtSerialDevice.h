// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real serial device: Qt SerialPort.
#include <QObject>

#include "platform/SerialDevice.h"

class QSerialPort;

class QtSerialDevice : public QObject, public SerialDevice {
  Q_OBJECT

 public:
  QtSerialDevice();
  ~QtSerialDevice() override;

  OpenResult open(const QString& deviceName, int* errorCode, QString* errorText) override;
  void close() override;
  bool isOpen() const override;
  bool write(const QByteArray& bytes) override;
  qint64 bytesToWrite() const override;
  QByteArray read(qint64 maxBytes) override;
  qint64 bytesAvailable() const override;
  void clearInput() override;
  bool present(const QString& deviceName) const override;

 private:
  bool hungUp() const;

  QSerialPort* port;
  QString openedAt;    // the device's path, as opened
  bool going = false;  // the device has failed for good; closing is queued
};

class QtSerialDeviceFactory : public SerialDeviceFactory {
 public:
  std::unique_ptr<SerialDevice> create() override;
};
