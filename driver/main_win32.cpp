#include "driver/form1.hpp"
#include "driver/platform_win32.hpp"
#include "driver/version_request.hpp"

// The form is the program: creating it runs its load event, which does the
// whole job and ends the process.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  if (borgo::driver::asks_for_version(command_line)) {
    return borgo::driver::print_line(borgo::driver::version_line("Borgo_Mar_TX903"));
  }
  borgo::driver::Win32Platform platform(instance);
  borgo::driver::Form1 form(platform);
  form.Form_Load();
}
