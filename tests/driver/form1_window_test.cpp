// The please-wait window as the platform is asked to draw it: the twips of
// the form turned into pixels at a display's DPI, and the label's font.
#include <gtest/gtest.h>

#include "driver/form1.hpp"
#include "driver/twips.hpp"
#include "tests/support/fake_platform.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::driver {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;
using testing::ScratchFolder;

TEST(Twips, ConvertToThePixelsAndFontHeightsOfADisplay) {
  struct Case {
    int value;
    int dpi;
    int pixels;
  };
  // 1440 twips and 72 points to the inch; nearest pixel, halves away from zero.
  const Case twips[] = {{1440, 96, 96}, {4200, 96, 280}, {2688, 96, 179}, {2652, 96, 177},
                        {7, 96, 0},     {8, 96, 1},      {6, 120, 1},     {5, 120, 0},
                        {-6, 120, -1},  {-5, 120, 0},    {0, 144, 0}};
  for (const Case& c : twips) {
    EXPECT_EQ(twips_to_pixels(c.value, c.dpi), c.pixels) << c.value << " twips at " << c.dpi;
  }
  const Case points[] = {{24, 96, 32}, {24, 120, 40}, {8, 96, 11}, {10, 96, 13}, {9, 120, 15}};
  for (const Case& c : points) {
    EXPECT_EQ(font_pixels(c.value, c.dpi), c.pixels) << c.value << " points at " << c.dpi;
  }
}

WindowLayout shown_window() {
  ScratchFolder folder;
  FakePlatform platform(folder.path());
  Form1 form(platform);
  try {
    form.Form_Load();
  } catch (const ProgramEnded&) {
  }
  if (!platform.shown_layout) {
    ADD_FAILURE() << "no window was shown";
    return kForm1Layout;
  }
  return *platform.shown_layout;
}

TEST(Form1Window, HasTheFormsPixelSizesAndTheLabelsFontAtEachDisplayDpi) {
  struct Case {
    Dpi dpi;
    PixelRect client;
    PixelRect label;
    int font_height;
  };
  const Case cases[] = {
      {{96, 96}, {0, 0, 280, 179}, {64, 64, 177, 53}, 32},
      {{120, 120}, {0, 0, 350, 224}, {80, 80, 221, 66}, 40},
      {{144, 144}, {0, 0, 420, 269}, {96, 96, 265, 79}, 48},
      // Across with the horizontal DPI, down and the font with the vertical one.
      {{96, 120}, {0, 0, 280, 224}, {64, 80, 177, 66}, 40},
  };
  const WindowLayout window = shown_window();
  EXPECT_EQ(window.label.caption, "Attendere");
  EXPECT_EQ(window.label.font_face, "MS Sans Serif");
  EXPECT_EQ(window.label.font_weight, 700);
  EXPECT_FALSE(window.label.italic || window.label.underline || window.label.strikeout);
  EXPECT_EQ(window.label.charset, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.dpi.x << " x " << c.dpi.y << " DPI");
    const PixelRect client = client_pixels(window, c.dpi);
    const PixelRect label = label_pixels(window.label, c.dpi);
    EXPECT_EQ(client, c.client) << client.width << " x " << client.height;
    EXPECT_EQ(label, c.label) << label.left << ", " << label.top << ", " << label.width << " x "
                              << label.height;
    EXPECT_EQ(font_pixels(window.label.font_points, c.dpi.y), c.font_height);
  }
}

}  // namespace
}  // namespace borgo::driver
