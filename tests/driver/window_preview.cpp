// Puts the program's window on the screen long enough for a person, or a
// screenshot, to look at it; a test aid of the Windows build, not shipped.
//
//   window_preview.exe [run [MS]]  the whole run, writing into the current
//                                  folder, with the window held MS
//                                  milliseconds (5000) after its repaint
//   window_preview.exe errore      the window, then the fatal error box that
//                                  contest error 1250 shows
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/form1.hpp"
#include "driver/platform_win32.hpp"

namespace {

using borgo::driver::Platform;
using borgo::driver::WindowLayout;

// The Windows platform, with a pause after the repaint and the current
// folder instead of the program's own.
class HeldWindow : public Platform {
 public:
  HeldWindow(Platform& inner, DWORD hold_ms) : inner_(inner), hold_ms_(hold_ms) {}

  void show_window(const WindowLayout& layout) override { inner_.show_window(layout); }
  void repaint() override {
    inner_.repaint();
    Sleep(hold_ms_);
  }
  void message_box(std::string_view text, std::string_view title) override {
    inner_.message_box(text, title);
  }
  [[noreturn]] void end_program(int exit_status) override {
    borgo::driver::end_program(inner_, exit_status);
  }
  std::filesystem::path own_folder() override { return std::filesystem::current_path(); }
  std::filesystem::path own_program() override { return inner_.own_program(); }

 private:
  Platform& inner_;
  DWORD hold_ms_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "run";
  borgo::driver::Win32Platform windows(GetModuleHandleA(nullptr));
  if (mode == "errore") {
    HeldWindow held(windows, 0);
    borgo::driver::Form1 form(held);
    held.show_window(borgo::driver::kForm1Layout);
    held.repaint();
    form.errore("1250");
  }
  if (mode != "run") return 64;
  HeldWindow held(windows, argc > 2 ? static_cast<DWORD>(std::atol(argv[2])) : 5000);
  borgo::driver::Form1 form(held);
  form.Form_Load();
}
