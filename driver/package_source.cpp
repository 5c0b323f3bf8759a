#include "driver/package_source.hpp"

#include <exception>
#include <string>

#include "driver/exit_status.hpp"
#include "storage/file_error.hpp"

namespace borgo::driver {
namespace {

std::unique_ptr<documents::Package> read_own_package(Platform& platform) {
  std::string report;
  try {
    return documents::read_package_file(platform.own_program());
  } catch (const documents::PackageDamaged& damage) {
    report = std::string("the package is damaged: ") + damage.what();
  } catch (const storage::FileError& failure) {
    report =
        "cannot read the program's own file '" + failure.path().string() + "': " + failure.reason();
  } catch (const std::exception& failure) {
    report = failure.what();
  }
  platform.message_box("Run-time error: " + report, kPackageTitle);
  end_program(platform, kExitRunTimeFailure);
}

}  // namespace

std::unique_ptr<documents::Package> load_package(Platform& platform) {
  return read_own_package(platform);
}

}  // namespace borgo::driver
