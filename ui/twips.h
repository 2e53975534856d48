#pragma once

// The window is laid out in twips, 1440 to the inch. Toolkits work in
// device-independent pixels, 96 to the inch, and scale those themselves on
// high-DPI screens: 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

struct PixelRect {
  int left;
  int top;
  int width;
  int height;
};

constexpr int twipsToPixels(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

constexpr PixelRect twipsToPixels(const TwipsRect& rect) {
  return {twipsToPixels(rect.left), twipsToPixels(rect.top), twipsToPixels(rect.width),
          twipsToPixels(rect.height)};
}
