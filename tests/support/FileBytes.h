// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading and writing whole test files as bytes.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readBytes(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString& name, const QByteArray& bytes) {
  QFile f(name);
  QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}
