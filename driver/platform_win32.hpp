#pragma once

#include <windows.h>

#include <string_view>

#include "driver/platform.hpp"

namespace borgo::driver {

// The window system of Windows, through the ANSI calls: text goes to the
// system as Windows-1252 bytes, unchanged.
//
// A missing window is no reason to stop: when no window can be created (no
// display, no window station) the program runs on without one, and a message
// box the system cannot show just returns.
class Win32Platform : public Platform {
 public:
  explicit Win32Platform(HINSTANCE instance);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  void show_window(const WindowLayout& layout) override;
  void repaint() override;
  void message_box(std::string_view text, std::string_view title) override;
  [[noreturn]] void end_program(int exit_status) override;
  std::filesystem::path own_folder() override;
  std::filesystem::path own_program() override;

  // The form and its label, or null while there is none.
  HWND window() const { return window_; }
  HWND label() const { return label_; }

 private:
  void close_window();

  HINSTANCE instance_;
  HWND window_ = nullptr;
  HWND label_ = nullptr;
  HFONT font_ = nullptr;
};

// Writes `line` for --version to the standard output the program was given
// (redirected to a file or a pipe), or else to the console it was started
// from; the exit status: 0 when it was written, 2 when there was nowhere to
// write it.
int print_line(std::string_view line);

}  // namespace borgo::driver
