// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtSerialDevice.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

QtSerialDevice::QtSerialDevice() : port(new QSerialPort(this)) {
  connect(port, &QSerialPort::readyRead, this, [this] {
    if (onReadyRead) onReadyRead();
  });
  // A vanished device (adapter unplugged, other end of a pseudo-terminal closed) keeps its
  // read notifier firing with errors: close it from the event loop, once, and tell the owner.
  connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
    if (going || !port->isOpen()) return;
    if (error != QSerialPort::ResourceError && !(error == QSerialPort::ReadError && hungUp()))
      return;
    going = true;
    // Qt's text may be an older call's errno ("File exists", "Inappropriate ioctl for
    // device"): say what the line shows instead, a device gone or one that fails to read.
    const bool gone = !openedAt.isEmpty() && !QFileInfo::exists(openedAt);
    const QString reason = QString::fromLocal8Bit(std::strerror(gone ? ENODEV : EIO));
    QMetaObject::invokeMethod(
        this,
        [this, reason] {
          going = false;
          if (!port->isOpen()) return;
          port->close();
          if (onLost) onLost(reason);
        },
        Qt::QueuedConnection);
  });
}

bool QtSerialDevice::hungUp() const {
#ifdef Q_OS_UNIX
  pollfd p{int(port->handle()), POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
  return false;
#endif
}

QtSerialDevice::~QtSerialDevice() { close(); }

SerialDevice::OpenResult QtSerialDevice::open(const QString& deviceName, int* errorCode,
                                              QString* errorText) {
  close();
  QString location = deviceName;
#ifndef Q_OS_WIN
  // Look at the device itself, not at a link to it: an absent device must read as absent
  // (not as a lock-file failure), and every name of a device must share one lock file.
  const QFileInfo info(deviceName);
  if (deviceName.isEmpty() || !info.exists()) return OpenResult::NotFound;
  if (info.isSymLink()) location = info.canonicalFilePath();
  // Qt reports a device we may not open like one that another program holds; ask first.
  if (::faccessat(AT_FDCWD, QFile::encodeName(location).constData(), R_OK | W_OK, AT_EACCESS) !=
          0 &&
      errno == EACCES) {
    if (errorText) *errorText = location;
    return OpenResult::PermissionDenied;
  }
#else
  if (deviceName.isEmpty()) return OpenResult::NotFound;
#endif
  port->setPortName(location);
  openedAt = location;
  port->setBaudRate(QSerialPort::Baud19200);
  port->setDataBits(QSerialPort::Data8);
  port->setParity(QSerialPort::NoParity);
  port->setStopBits(QSerialPort::OneStop);
  port->setFlowControl(QSerialPort::NoFlowControl);
  port->clearError();
  errno = 0;
  if (!port->open(QIODevice::ReadWrite)) {
    const int systemError = errno;
    const auto error = port->error();
    const QString text = port->errorString();
    port->clearError();
    switch (error) {
      case QSerialPort::DeviceNotFoundError:
        return OpenResult::NotFound;
      case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // Denied by something finer than the file's mode (an access control module). Held
        // ports read differently: busy (the holder made it exclusive) or a lock file.
        if (text == QString::fromLocal8Bit(std::strerror(EACCES))) {
          if (errorText) *errorText = location;
          return OpenResult::PermissionDenied;
        }
#endif
        return OpenResult::InUse;
      default:
        break;
    }
    // Qt keeps the system's text but not its number; errno still holds it when they agree.
    const bool sameError =
        systemError != 0 && text == QString::fromLocal8Bit(std::strerror(systemError));
    if (errorCode) *errorCode = sameError ? systemError : EIO;
    if (errorText) *errorText = text;
    return OpenResult::OtherError;
  }
  // Pseudo-terminals have no modem lines; the line works without them.
  port->setDataTerminalReady(true);
  port->setRequestToSend(true);
  port->clearError();
  return OpenResult::Ok;
}

void QtSerialDevice::close() {
  if (port->isOpen()) port->close();
}

bool QtSerialDevice::isOpen() const { return port->isOpen(); }

bool QtSerialDevice::write(const QByteArray& bytes) {
  port->clearError();
  if (port->write(bytes) != bytes.size()) return false;
  // Hand the bytes to the system now: the caller may block the event loop for a while
  // (a pause between commands) and expects them on the line meanwhile. flush() is false also
  // when the line is merely full; only an error means the system refused them.
  port->flush();
  const auto error = port->error();
  return error != QSerialPort::WriteError && error != QSerialPort::ResourceError;
}

qint64 QtSerialDevice::bytesToWrite() const { return port->bytesToWrite(); }

QByteArray QtSerialDevice::read(qint64 maxBytes) { return port->read(maxBytes); }

qint64 QtSerialDevice::bytesAvailable() const { return port->bytesAvailable(); }

void QtSerialDevice::clearInput() { port->clear(QSerialPort::Input); }

bool QtSerialDevice::present(const QString& deviceName) const {
#ifdef Q_OS_WIN
  return !deviceName.isEmpty();
#else
  return !deviceName.isEmpty() && QFileInfo::exists(deviceName);  // follows a link
#endif
}

std::unique_ptr<SerialDevice> QtSerialDeviceFactory::create() {
  return std::make_unique<QtSerialDevice>();
}
