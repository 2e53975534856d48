#pragma once

#include <QRect>
#include <QSize>

// The window is laid out in twips, 1440 to the inch. Qt works in
// device-independent pixels, 96 to the inch, and scales those itself on
// high-DPI screens: 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

inline int twipsToPixels(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect twipsToPixels(const TwipsRect& rect) {
  return {twipsToPixels(rect.left), twipsToPixels(rect.top), twipsToPixels(rect.width),
          twipsToPixels(rect.height)};
}

inline QSize twipsToPixels(int width, int height) {
  return {twipsToPixels(width), twipsToPixels(height)};
}
