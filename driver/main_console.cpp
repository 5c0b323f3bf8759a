#include <cstdio>

#include "driver/form1.hpp"
#include "driver/platform_console.hpp"
#include "driver/version_request.hpp"

int main(int argc, char** argv) {
  if (borgo::driver::asks_for_version(argc, argv)) {
    return borgo::driver::print_line(stdout, borgo::driver::version_line("Borgo_Mar_TX903"));
  }
  borgo::driver::ConsolePlatform platform(stdout, stderr);
  borgo::driver::Form1 form(platform, stderr);
  form.Form_Load();
}
