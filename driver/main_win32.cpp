#include "driver/form1.hpp"
#include "driver/platform_win32.hpp"

// The form is the program: creating it runs its load event, which does the
// whole job and ends the process.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  borgo::driver::Win32Platform platform(instance);
  borgo::driver::Form1 form(platform);
  form.Form_Load();
}
