#pragma once
#include <QColor>
#include <QImage>
#include <QRect>
#include <functional>

#include "config/ConfigFile.h"

namespace vyk::test {

inline bool SameRgb(QRgb pixel, Color c) {
  return qRed(pixel) == RedOf(c) && qGreen(pixel) == GreenOf(c) && qBlue(pixel) == BlueOf(c);
}

// Number of pixels in area that satisfy pred.
inline int CountPixels(const QImage& img, const QRect& area,
                       const std::function<bool(QRgb)>& pred) {
  int n = 0;
  const QRect r = area.intersected(img.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (pred(img.pixel(x, y))) ++n;
  return n;
}

inline int CountColour(const QImage& img, const QRect& area, Color c) {
  return CountPixels(img, area, [c](QRgb p) { return SameRgb(p, c); });
}

}  // namespace vyk::test
