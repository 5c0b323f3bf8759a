// The generic package program: the scenario it runs is the one appended to
// its own file by `scenario-tool pack`.
#include <memory>

#include "driver/form1.hpp"
#include "driver/package_source.hpp"
#include "driver/platform_win32.hpp"
#include "driver/version_request.hpp"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
  if (borgo::driver::asks_for_version(command_line)) {
    return borgo::driver::print_line(borgo::driver::version_line("scenario-package"));
  }
  borgo::driver::Win32Platform platform(instance);
  const std::unique_ptr<borgo::documents::Package> package = borgo::driver::load_package(platform);
  borgo::driver::Form1 form(platform, nullptr, borgo::driver::kFolderWaitLimit,
                            package->scenario());
  form.Form_Load();
}
