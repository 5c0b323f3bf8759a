#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "driver/platform.hpp"

namespace borgo::testing {

// Thrown by FakePlatform::end_program so that a test regains control.
struct ProgramEnded {
  int exit_status;
};

// Records what the program asked of the window system.
class FakePlatform : public driver::Platform {
 public:
  explicit FakePlatform(std::filesystem::path folder) : folder_(std::move(folder)) {}

  void show_window(const driver::WindowLayout& layout) override {
    calls.push_back("show");
    shown_caption = std::string(layout.label.caption);
    shown_layout = layout;
  }
  void repaint() override { calls.push_back("repaint"); }
  void message_box(std::string_view text, std::string_view title) override {
    calls.push_back("message_box");
    box_text = std::string(text);
    box_title = std::string(title);
  }
  [[noreturn]] void end_program(int exit_status) override {
    calls.push_back("end");
    throw ProgramEnded{exit_status};
  }
  std::filesystem::path own_folder() override { return folder_; }
  std::filesystem::path own_program() override { return program; }

  std::vector<std::string> calls;
  std::string shown_caption;
  std::optional<driver::WindowLayout> shown_layout;
  std::string box_text;
  std::string box_title;
  // What own_program names: a file the test made, or none.
  std::filesystem::path program;

 private:
  std::filesystem::path folder_;
};

}  // namespace borgo::testing
