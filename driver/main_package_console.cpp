// The generic package program: the scenario it runs is the one appended to
// its own file by `scenario-tool pack`.
#include <cstdio>
#include <memory>

#include "driver/form1.hpp"
#include "driver/package_source.hpp"
#include "driver/platform_console.hpp"

int main() {
  borgo::driver::ConsolePlatform platform(stdout, stderr);
  const std::unique_ptr<borgo::documents::Package> package = borgo::driver::load_package(platform);
  borgo::driver::Form1 form(platform, stderr, borgo::driver::kFolderWaitLimit, package->scenario());
  form.Form_Load();
}
