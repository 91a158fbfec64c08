// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/PortNames.h"

#include <QFileInfo>

#include "platform/SerialDevice.h"

namespace {
constexpr int MaxPort = 50;
}

QString PortDeviceName(int number, const QString& programDir) {
  return PortDeviceName(number, QStringList{programDir});
}

QString PortDeviceName(int number, const QStringList& places) {
#ifdef Q_OS_WIN
  Q_UNUSED(places);
  return QStringLiteral("COM%1").arg(number);
#else
  for (const QString& place : places) {
    if (place.isEmpty()) continue;
    const QString link = place + QStringLiteral("/ports/com%1").arg(number);
    const QFileInfo info(link);
    // A dangling link still names the port: opening it then reports that it does not exist.
    if (info.exists() || info.isSymLink()) return link;
  }
  if (number >= 1 && number <= 10) return QStringLiteral("/dev/ttyS%1").arg(number - 1);
  if (number >= 11 && number <= 30) return QStringLiteral("/dev/ttyUSB%1").arg(number - 11);
  if (number >= 31 && number <= MaxPort) return QStringLiteral("/dev/ttyACM%1").arg(number - 31);
  return QString();
#endif
}

QList<int> ProbePorts(SerialDeviceFactory& factory, const std::function<QString(int)>& deviceName) {
  QList<int> ports;
  const auto device = factory.create();
  for (int n = 1; n <= MaxPort; ++n) {
    int code = 0;
    QString text;
    switch (device->open(deviceName(n), &code, &text)) {
      case SerialDevice::OpenResult::Ok:
        device->close();
        ports.append(n);
        break;
      case SerialDevice::OpenResult::InUse:
      case SerialDevice::OpenResult::PermissionDenied:  // there, and choosing it says why not
        ports.append(n);
        break;
      default:
        break;
    }
  }
  return ports;
}

int LikelyPort(const QList<int>& ports, const std::function<QString(int)>& deviceName) {
  // A fixed COM1 is a built-in serial port more often than not, with nothing behind it.
  auto rank = [&deviceName](int n) {
    const QString device = deviceName ? deviceName(n) : QString();
    if (device.contains(QLatin1String("/ports/com"))) return 0;
    if (device.startsWith(QLatin1String("/dev/ttyUSB")) ||
        device.startsWith(QLatin1String("/dev/ttyACM")))
      return 1;
    return 2;
  };
  int best = 0;
  for (int n : ports)
    if (best == 0 || rank(n) < rank(best)) best = n;
  return best;
}
