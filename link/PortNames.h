// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// COM numbers and the devices behind them.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class SerialDeviceFactory;

// The device that port `number` stands for. A link ports/comN in one of the places wins (a
// simulated unit on a pseudo-terminal, or a device of the user's choosing), the first place
// first: the program's folder, then the user's configuration folder. Empty places are skipped.
QString PortDeviceName(int number, const QStringList& places);
QString PortDeviceName(int number, const QString& programDir);

// Ports 1 to 50 that exist: those that open, those another program holds and those this
// user may not open.
QList<int> ProbePorts(SerialDeviceFactory& factory, const std::function<QString(int)>& deviceName);

// The port "Select Port" offers first: where a unit most likely is. A link of the user's or
// the simulated unit's (ports/comN) first, then a USB or ACM adapter, else the first port;
// 0 when there is none.
int LikelyPort(const QList<int>& ports, const std::function<QString(int)>& deviceName);
