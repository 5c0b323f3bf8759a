// The generic package program: the scenario it runs is the one appended to
// its own file by `scenario-tool pack`.
#include <cstdio>
#include <memory>

#include "driver/form1.hpp"
#include "driver/package_source.hpp"
#include "driver/platform_console.hpp"
#include "driver/version_request.hpp"

int main(int argc, char** argv) {
  if (borgo::driver::asks_for_version(argc, argv)) {
    return borgo::driver::print_line(stdout, borgo::driver::version_line("scenario-package"));
  }
  borgo::driver::ConsolePlatform platform(stdout, stderr);
  const std::unique_ptr<borgo::documents::Package> package = borgo::driver::load_package(platform);
  borgo::driver::Form1 form(platform, stderr, borgo::driver::kFolderWaitLimit, package->scenario());
  form.Form_Load();
}
