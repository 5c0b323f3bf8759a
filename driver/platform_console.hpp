#pragma once

#include <cstdio>

#include "driver/platform.hpp"

namespace borgo::driver {

// The Linux stand-in for the window system: the window is the line
// "Attendere" on standard output, a message box is its text on standard
// error, and nothing waits for the user.
class ConsolePlatform : public Platform {
 public:
  ConsolePlatform(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

  void show_window(const WindowLayout& layout) override;
  void repaint() override;
  void message_box(std::string_view text, std::string_view title) override;
  [[noreturn]] void end_program(int exit_status) override;
  std::filesystem::path own_folder() override;

 private:
  std::FILE* out_;
  std::FILE* err_;
  std::string_view caption_;
  bool shown_ = false;
};

}  // namespace borgo::driver
