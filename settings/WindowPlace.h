// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the window opens. A position saved on another desk (a second monitor since unplugged, a
// larger screen) would put it where nobody can see or grab it, and closing writes it back.
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// `saved` when at least grip x grip pixels of a window of `size` there lie on one of the
// screens (their rectangles); otherwise `fallback`.
QPoint WindowPlace(const QPoint& saved, const QSize& size, const QList<QRect>& screens, int grip,
                   const QPoint& fallback);
