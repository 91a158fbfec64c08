// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/WindowPlace.h"

QPoint WindowPlace(const QPoint& saved, const QSize& size, const QList<QRect>& screens, int grip,
                   const QPoint& fallback) {
  const QRect window(saved, size);
  for (const QRect& screen : screens) {
    const QRect seen = window.intersected(screen);
    if (seen.width() >= grip && seen.height() >= grip) return saved;
  }
  return fallback;
}
