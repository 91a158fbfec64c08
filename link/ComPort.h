// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TComPort: the program's one serial port. Opens on first use (asking for a port when
// ComNumber is 0), queues output, buffers input in an 8192-byte ring and hands it to the
// program through OnTriggerAvail, which is never re-entered.
#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "platform/SerialDevice.h"

class TComPort : public QObject {
  Q_OBJECT

 public:
  static constexpr int InSize = 4096;
  static constexpr int OutSize = 4096;
  static constexpr int BufferSize = 8192;

  // choosePort shows the port choice dialog (0 = cancelled); deviceName maps a COM number
  // to the device to open.
  TComPort(SerialDeviceFactory* factory, std::function<int()> choosePort,
           std::function<QString(int)> deviceName, QObject* parent = nullptr);
  ~TComPort() override;

  void SendText(const QByteArray& text);
  unsigned char ReadChar();
  // The next unread bytes that lie together in the ring (at most max), left unread; nothing
  // while the port is not open. Skip(n) then reads n of them, as n ReadChar calls would.
  QByteArrayView Peek(int max) const;
  void Skip(int count);
  void DiscardInput();
  int ComNumber() const;
  void SetComNumber(int number);
  bool IsOpen() const;

  // Closes the port whatever its state, asks for a port and opens it. Unlike SetComNumber(0),
  // it asks also when the number is 0 already or the port is closed: the way back to a
  // working port after any failure. Cancel leaves the port closed with ComNumber 0.
  void ChoosePortAgain();
  // A cheap look for a port that is closed although the program wants it (its device went
  // away, or the last opening failed): when the device last tried is there again, opens it
  // without a word and returns true. Never asks, never fails; meant to run now and then.
  bool Revive();
  // Closes the port and stops Revive looking for it (the next use opens it again).
  void Close();
  // Bytes sent that have not left yet.
  qint64 BytesToWrite() const;
  // While held, no data-available event is raised; received bytes wait in the ring.
  void HoldEvents(bool hold);
  // Called while the data-available event is handled: once its handler has returned, the event
  // comes again for the bytes it left unread, without waiting for new ones.
  void OfferAgain();

  // The data-available event: CP is this port, Count the unread bytes (1 to 8192).
  std::function<void(TComPort* CP, int Count)> OnTriggerAvail;
  // The open port's device has gone; the port is closed by then and ComNumber kept, so the
  // next operation tries to open it again.
  std::function<void(TComPort* CP, const QString& reason)> OnPortLost;

 private:
  struct Private;
  std::unique_ptr<Private> d;
};
