#include "driver/package_source.hpp"

#include <exception>
#include <optional>
#include <string>

#include "driver/exit_status.hpp"
#include "driver/own_file_guard.hpp"
#include "storage/file_error.hpp"
#include "storage/replace_file.hpp"

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

// A program named as one of its own files would write over or delete itself,
// and a player would never get it back: it stops before the first file, with
// the report a file it cannot write gets.
void refuse_to_write_over_itself(Platform& platform, const documents::Scenario& scenario) {
  std::string report;
  try {
    const std::optional<std::filesystem::path> own = own_file_among_outputs(
        platform.own_program(), platform.own_folder(), scenario.line_name, scenario.train_name);
    if (!own) return;
    report = storage::is_temporary_file_name(own->filename())
                 ? "cannot clear the temporary files of an earlier run: '"
                 : "cannot write '";
    report += own->string() + "': it is this program's own file";
  } catch (const storage::FileError& failure) {
    report = "cannot write '" + failure.path().string() + "': " + failure.reason();
  } catch (const std::exception& failure) {
    report = failure.what();
  }
  platform.message_box("Run-time error: " + report, scenario.title());
  end_program(platform, kExitRunTimeFailure);
}

}  // namespace

std::unique_ptr<documents::Package> load_package(Platform& platform) {
  std::unique_ptr<documents::Package> package = read_own_package(platform);
  refuse_to_write_over_itself(platform, package->scenario());
  return package;
}

}  // namespace borgo::driver
