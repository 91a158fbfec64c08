// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's error classes. Every failure is an exception carrying a message;
// the standard error report (TForm1::ReportError) shows it at the event boundary. Their texts
// are the settings file's (ErrorTexts), English until a face has read it.
#include <QString>
#include <stdexcept>

#include "settings/MessageTexts.h"

class Exception : public std::runtime_error {
 public:
  explicit Exception(const QString& message)
      : std::runtime_error(message.toStdString()), Message(message) {}
  QString Message;
};

// Serial port errors.
class EComPortError : public Exception {
 public:
  EComPortError(const QString& message, int code) : Exception(message), ErrorCode(code) {}
  int ErrorCode;
};
class EOpenComm : public EComPortError {
  using EComPortError::EComPortError;
};
class ENoPortSelected : public EOpenComm {
 public:
  ENoPortSelected() : EOpenComm(ErrorTexts().ComNumberNotSet, -2011) {}
};
class EBadId : public EOpenComm {
 public:
  EBadId() : EOpenComm(ErrorTexts().NoSuchPort, -2001) {}
};
class EAlreadyOpen : public EOpenComm {
 public:
  EAlreadyOpen() : EOpenComm(ErrorTexts().DeviceAlreadyOpen, -2008) {}
};
// The device is there but this user may not open it (on Linux: not in the group that owns
// serial devices). Its code is the system's number for "permission denied".
class EPermissionDenied : public EOpenComm {
 public:
  explicit EPermissionDenied(const QString& device)
      : EOpenComm(ErrorTexts().PermissionDenied.arg(device), 13) {}
};
// Any other system error while opening or setting up the device.
class EInOutError : public EComPortError {
  using EComPortError::EComPortError;
};
class ESerialIO : public EComPortError {
  using EComPortError::EComPortError;
};
class EOutputBufferTooSmall : public ESerialIO {
 public:
  EOutputBufferTooSmall() : ESerialIO(ErrorTexts().OutputBufferTooSmall, -3006) {}
};
class EPutBlockFail : public ESerialIO {
 public:
  EPutBlockFail() : ESerialIO(ErrorTexts().BlockNotPut, -3004) {}
};
class EBufferIsEmpty : public ESerialIO {
 public:
  EBufferIsEmpty() : ESerialIO(ErrorTexts().BufferIsEmpty, -3007) {}
};

// A text that should be a decimal integer and is not.
class EConvertError : public Exception {
  using Exception::Exception;
};

// Files: "Cannot create file ..." / "Cannot open file ..." and the plain I/O texts.
class EFileError : public Exception {
  using Exception::Exception;
};
class EFCreateError : public EFileError {
  using EFileError::EFileError;
};
class EFOpenError : public EFileError {
  using EFileError::EFileError;
};
class EFileIOError : public EFileError {
  using EFileError::EFileError;
};

class EIniFileError : public Exception {
  using Exception::Exception;
};

// The standard error report's text: a full stop added when the last character's code is above
// that of ".".
inline QString ErrorReportText(const QString& message) {
  if (!message.isEmpty() && message.back().unicode() > u'.') return message + QLatin1Char('.');
  return message;
}
