// The Windows platform as the window system holds it: the form, its label and
// the error box read back through the system's own calls. Needs a display;
// skipped where no window can be made at all.
#include "driver/platform_win32.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "driver/form1.hpp"
#include "driver/twips.hpp"

namespace borgo::driver {
namespace {

bool display_available() {
  HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

std::string window_text(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string class_name(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

Dpi screen_dpi() {
  HDC screen = GetDC(nullptr);
  const Dpi dpi{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
  ReleaseDC(nullptr, screen);
  return dpi;
}

class Win32PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_available()) GTEST_SKIP() << "no display";
  }

  Win32Platform platform_{GetModuleHandleA(nullptr)};
};

TEST_F(Win32PlatformTest, ShowsTheFormWithItsLabelAtTheDisplaysDpi) {
  platform_.show_window(kForm1Layout);
  platform_.repaint();
  const HWND window = platform_.window();
  ASSERT_NE(window, nullptr);
  ASSERT_NE(platform_.label(), nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(window_text(window), "Borgo_Mar_TX 903");
  EXPECT_EQ(GetParent(platform_.label()), window);
  EXPECT_EQ(class_name(platform_.label()), "Static");
  EXPECT_EQ(window_text(platform_.label()), "Attendere");

  const Dpi dpi = screen_dpi();
  RECT client{};
  GetClientRect(window, &client);
  const PixelRect expected_client = client_pixels(kForm1Layout, dpi);
  EXPECT_EQ(client.right - client.left, expected_client.width);
  EXPECT_EQ(client.bottom - client.top, expected_client.height);

  RECT label{};
  GetWindowRect(platform_.label(), &label);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&label), 2);
  EXPECT_EQ(PixelRect(label.left, label.top, label.right - label.left, label.bottom - label.top),
            label_pixels(kForm1Layout.label, dpi));

  const auto font = reinterpret_cast<HFONT>(SendMessageA(platform_.label(), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTA asked{};
  ASSERT_EQ(GetObjectA(font, sizeof asked, &asked), static_cast<int>(sizeof asked));
  EXPECT_STREQ(asked.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(asked.lfHeight, -font_pixels(24, dpi.y));
  EXPECT_EQ(asked.lfWeight, 700);
  EXPECT_FALSE(asked.lfItalic || asked.lfUnderline || asked.lfStrikeOut);
  EXPECT_EQ(asked.lfCharSet, 0);
}

// What the error box holds, read while it is open; then its OK is pressed.
struct BoxSeen {
  bool found = false;
  std::string title;
  std::vector<std::string> texts;
  std::vector<int> buttons;
  int icons = 0;
};

BOOL CALLBACK note_control(HWND control, LPARAM seen_address) {
  BoxSeen& seen = *reinterpret_cast<BoxSeen*>(seen_address);
  if (!IsWindowVisible(control)) return TRUE;
  const std::string kind = class_name(control);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  if (kind == "Button") {
    seen.buttons.push_back(GetDlgCtrlID(control));
  } else if (kind == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
    // An empty icon place draws nothing.
    if (SendMessageA(control, STM_GETICON, 0, 0) != 0) ++seen.icons;
  } else if (kind == "Static") {
    seen.texts.push_back(window_text(control));
  }
  return TRUE;
}

BOOL CALLBACK find_box(HWND window, LPARAM box_address) {
  if (class_name(window) != "#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(box_address) = window;
  return FALSE;
}

TEST_F(Win32PlatformTest, ErrorBoxHoldsTheTextTheTitleAndOnlyAnOkButton) {
  platform_.show_window(kForm1Layout);
  platform_.repaint();
  const DWORD box_thread = GetCurrentThreadId();
  std::atomic<bool> closed{false};
  BoxSeen seen;
  std::thread reader([&] {
    for (int tries = 0; tries < 500 && !closed; ++tries) {
      HWND box = nullptr;
      EnumThreadWindows(box_thread, find_box, reinterpret_cast<LPARAM>(&box));
      if (box != nullptr) {
        seen.found = true;
        seen.title = window_text(box);
        EnumChildWindows(box, note_control, reinterpret_cast<LPARAM>(&seen));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  platform_.message_box(" Errore n. 1250", "Borgo_Mar_TX 903");
  closed = true;
  reader.join();

  ASSERT_TRUE(seen.found) << "no box was shown";
  EXPECT_EQ(seen.title, "Borgo_Mar_TX 903");
  EXPECT_EQ(seen.texts, std::vector<std::string>{" Errore n. 1250"});
  EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(seen.icons, 0);
}

}  // namespace
}  // namespace borgo::driver
