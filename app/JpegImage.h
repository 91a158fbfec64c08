// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QImage>

// Decodes a JPEG with libjpeg. A damaged picture gives a null image, never a crash.
QImage DecodeJpeg(const QByteArray& data);
