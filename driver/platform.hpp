#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace borgo::driver {

// The please-wait window: one form with one static label, measured in twips.
struct LabelLayout {
  std::string_view name;
  std::string_view caption;
  int left_twips;
  int top_twips;
  int width_twips;
  int height_twips;
  std::string_view font_face;
  int font_points;
  int font_weight;  // 700 = bold
  bool italic;
  bool underline;
  bool strikeout;
  std::uint8_t charset;
  int tab_index;
};

struct WindowLayout {
  std::string_view name;
  std::string_view title;
  int client_width_twips;
  int client_height_twips;
  LabelLayout label;
};

// The only door to the operating system's user interface and to the end of
// the program. Files go through the portable storage module instead.
class Platform {
 public:
  virtual ~Platform() = default;

  // Shows the window modeless, without an owner.
  virtual void show_window(const WindowLayout& layout) = 0;
  // Draws the window now, before the long work that follows.
  virtual void repaint() = 0;
  // A modal box with `text`, a single OK button, no icon, and `title`.
  virtual void message_box(std::string_view text, std::string_view title) = 0;
  // Ends the program at once: open files closed, window gone, no further events.
  [[noreturn]] virtual void end_program(int exit_status) = 0;
  // The folder the program itself lives in. Throws when it cannot be known:
  // no other folder will do.
  virtual std::filesystem::path own_folder() = 0;
  // A path through which the program's own file can be read: a generic
  // package program carries its scenario at the end of it.
  virtual std::filesystem::path own_program() = 0;
};

// Ends the program through `platform`. The compiler cannot see through the
// virtual call that an override keeps end_program's promise, so one that
// returns all the same stops here.
[[noreturn]] inline void end_program(Platform& platform, int exit_status) {
  platform.end_program(exit_status);
  std::abort();
}

}  // namespace borgo::driver
