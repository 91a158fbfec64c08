// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks give the real window in place of a person, a clock and a serial port:
// dialogs that answer at once, pauses that cost nothing, and a port whose bytes the benchmark
// hands in.
#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/SerialDevice.h"

// Hands out what feed() gave it as the system would: as much as is asked for.
class FloodDevice : public SerialDevice {
 public:
  OpenResult open(const QString&, int*, QString*) override {
    open_ = true;
    return OpenResult::Ok;
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  bool write(const QByteArray&) override { return true; }
  qint64 bytesToWrite() const override { return 0; }
  QByteArray read(qint64 maxBytes) override {
    const qint64 n = std::min(maxBytes, bytesAvailable());
    const QByteArray out = data_.mid(pos_, n);
    pos_ += n;
    return out;
  }
  qint64 bytesAvailable() const override { return data_.size() - pos_; }
  void clearInput() override { pos_ = data_.size(); }

  void feed(const QByteArray& data) {
    data_ = data;
    pos_ = 0;
    if (onReadyRead) onReadyRead();
  }

 private:
  bool open_ = false;
  QByteArray data_;
  qint64 pos_ = 0;
};

class FloodDevices : public SerialDeviceFactory {
 public:
  FloodDevice* last = nullptr;
  std::unique_ptr<SerialDevice> create() override {
    auto device = std::make_unique<FloodDevice>();
    last = device.get();
    return device;
  }
};

// Counts what it shows; errors also go to stderr, since a benchmark that met one measured
// something else.
class QuietDialogs : public Dialogs {
 public:
  int shown = 0;
  void message(const QString&) override { ++shown; }
  bool question(const QString&, const QString&) override { return false; }
  void error(const QString& text, int = 0) override {
    ++shown;
    std::fprintf(stderr, "error box: %s\n", qPrintable(text));
  }
  void dismiss(int) override {}
  int choose(const QString&, const QStringList& answers) override {
    return int(answers.size()) - 1;
  }
  QString openFile(const QString&) override { return QString(); }
  QString saveFile(const QString&) override { return QString(); }
  int choosePort(const PortChoiceTexts&) override { return 1; }
};

class NoWaitClock : public Clock {
 public:
  NoWaitClock() { steady.start(); }
  void pause(int) override {}
  QDateTime now() const override { return QDateTime::currentDateTime(); }
  // As the program's own clock reads it: the monitor stamps every line with it.
  qint64 steadyMs() const override { return steady.elapsed(); }

 private:
  QElapsedTimer steady;
};
