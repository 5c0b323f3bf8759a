#pragma once

#include "driver/platform.hpp"

namespace borgo::driver {

// Form measures are in twips, 1440 to the inch; a display has its own number
// of pixels to the inch (dots per inch), 96 on most screens.
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsPerInch = 72;

// Pixels spanned by `twips` on a display of `dpi`, rounded to the nearest
// pixel, halves away from zero (as the system's MulDiv rounds).
constexpr int twips_to_pixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  const long long half = kTwipsPerInch / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                      : (scaled - half) / kTwipsPerInch);
}

// The character height in pixels of a font of `points` on a display of `dpi`
// (a font is asked for with this height, negated).
constexpr int font_pixels(int points, int dpi) {
  const long long scaled = static_cast<long long>(points) * dpi;
  return static_cast<int>((scaled + kPointsPerInch / 2) / kPointsPerInch);
}

struct Dpi {
  int x;
  int y;
};

struct PixelRect {
  int left;
  int top;
  int width;
  int height;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The window's client area, at the origin.
constexpr PixelRect client_pixels(const WindowLayout& layout, Dpi dpi) {
  return {0, 0, twips_to_pixels(layout.client_width_twips, dpi.x),
          twips_to_pixels(layout.client_height_twips, dpi.y)};
}

// The label's place inside the client area.
constexpr PixelRect label_pixels(const LabelLayout& label, Dpi dpi) {
  return {twips_to_pixels(label.left_twips, dpi.x), twips_to_pixels(label.top_twips, dpi.y),
          twips_to_pixels(label.width_twips, dpi.x), twips_to_pixels(label.height_twips, dpi.y)};
}

}  // namespace borgo::driver
