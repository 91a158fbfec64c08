// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fuzz target: one function that takes bytes from outside and checks what must hold of the
// reader they go to. libFuzzer runs it (FuzzMain.cpp, the build with ZUL_FUZZ); the replay
// test runs it over the inputs kept for it (Replay.cpp, every build).
//
//   ZUL_FUZZ_TARGET(linerules) { ... data ... FUZZ_CHECK(lines == again, "..."); }
//
// A check that fails ends the process (abort), naming the file and line, so that libFuzzer
// keeps the input and the replay test fails on it.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

using FuzzEntry = void (*)(const QByteArray& data);

struct FuzzTargetInfo {
  const char* name;
  FuzzEntry entry;
};

// Every target linked in, in the order of registration.
QList<FuzzTargetInfo>& FuzzTargets();

struct FuzzRegistration {
  FuzzRegistration(const char* name, FuzzEntry entry) { FuzzTargets().append({name, entry}); }
};

#define ZUL_FUZZ_TARGET(name)                                                   \
  static void name##FuzzEntry(const QByteArray& data);                          \
  static const FuzzRegistration name##FuzzRegistration(#name, name##FuzzEntry); \
  static void name##FuzzEntry(const QByteArray& data)

[[noreturn]] void FuzzFailure(const char* file, int line, const char* condition,
                              const QString& detail);

#define FUZZ_CHECK(condition, detail) \
  ((condition) ? void(0) : FuzzFailure(__FILE__, __LINE__, #condition, (detail)))

// Shown in a failure: a text with its control characters and beyond ASCII as escapes.
QString Shown(const QString& text);
QString Shown(const QByteArray& bytes);
QString Shown(const QStringList& lines);

// Takes what an input holds besides its payload: a byte of it (0 when it is used up), and the
// rest.
class FuzzInput {
 public:
  explicit FuzzInput(const QByteArray& data) : d(data) {}
  quint8 byte() { return at < d.size() ? quint8(d[at++]) : 0; }
  QByteArray rest() { return d.mid(std::exchange(at, d.size())); }
  bool empty() const { return at >= d.size(); }

 private:
  QByteArray d;
  qsizetype at = 0;
};
