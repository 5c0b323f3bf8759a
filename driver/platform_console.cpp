#include "driver/platform_console.hpp"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

namespace borgo::driver {

void ConsolePlatform::show_window(const WindowLayout& layout) {
  caption_ = layout.label.caption;
  shown_ = true;
}

void ConsolePlatform::repaint() {
  if (!shown_) return;
  std::fprintf(out_, "%.*s\n", static_cast<int>(caption_.size()), caption_.data());
  std::fflush(out_);
}

void ConsolePlatform::message_box(std::string_view text, std::string_view title) {
  std::fprintf(err_, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
               static_cast<int>(text.size()), text.data());
  std::fflush(err_);
}

void ConsolePlatform::end_program(int exit_status) {
  // std::exit flushes and closes every open stream.
  std::exit(exit_status);
}

std::filesystem::path ConsolePlatform::own_folder() {
  std::error_code failed;
  const std::filesystem::path self = std::filesystem::read_symlink(self_link_, failed);
  if (failed) {
    throw std::runtime_error("cannot find the program's own folder: '" + self_link_.string() +
                             "': " + failed.message());
  }
  return self.parent_path();
}

int print_line(std::FILE* out, std::string_view line) {
  const bool written = std::fwrite(line.data(), 1, line.size(), out) == line.size() &&
                       std::fflush(out) == 0 && std::ferror(out) == 0;
  return written ? 0 : 2;
}

}  // namespace borgo::driver
