#include <cstdio>

#include "driver/form1.hpp"
#include "driver/platform_console.hpp"

int main() {
  borgo::driver::ConsolePlatform platform(stdout, stderr);
  borgo::driver::Form1 form(platform, stderr);
  form.Form_Load();
}
