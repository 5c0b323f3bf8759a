#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <utility>

#include "driver/platform.hpp"

namespace borgo::driver {

// The Linux stand-in for the window system: the window is the line
// "Attendere" on standard output, a message box is its text on standard
// error, and nothing waits for the user.
class ConsolePlatform : public Platform {
 public:
  // `self_link`: the system's link to the running program, from which its
  // folder is known.
  ConsolePlatform(std::FILE* out, std::FILE* err,
                  std::filesystem::path self_link = "/proc/self/exe")
      : out_(out), err_(err), self_link_(std::move(self_link)) {}

  void show_window(const WindowLayout& layout) override;
  void repaint() override;
  void message_box(std::string_view text, std::string_view title) override;
  [[noreturn]] void end_program(int exit_status) override;
  // Throws std::runtime_error when the link cannot be read: no other
  // folder is the program's.
  std::filesystem::path own_folder() override;
  // The link itself: opened, it is the running program's file, even when
  // its name has since been given to another file.
  std::filesystem::path own_program() override { return self_link_; }

 private:
  std::FILE* out_;
  std::FILE* err_;
  std::filesystem::path self_link_;
  std::string_view caption_;
  bool shown_ = false;
};

// Writes `line` to `out` for --version; the exit status: 0 when it was
// written, 2 when it could not be.
int print_line(std::FILE* out, std::string_view line);

}  // namespace borgo::driver
