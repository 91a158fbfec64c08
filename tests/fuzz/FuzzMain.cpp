// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer's entry points for the one target linked into this program.
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzTarget.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // The link core's target runs an event loop; the readers only need Qt's converters.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzTargets().front().entry(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  return 0;
}
