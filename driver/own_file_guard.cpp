#include "driver/own_file_guard.hpp"

#include <string>
#include <system_error>

#include "documents/package_payload.hpp"
#include "storage/file_error.hpp"
#include "storage/replace_file.hpp"

namespace borgo::driver {
namespace {

// Whether `path` is the program's own file; a path where nothing is is not.
bool is_program(const std::filesystem::path& program, const std::filesystem::path& path) {
  std::error_code failed;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, failed))) {
    if (failed && failed != std::errc::no_such_file_or_directory) {
      throw storage::FileError(path, failed.message());
    }
    return false;
  }
  const bool same = std::filesystem::equivalent(program, path, failed);
  if (failed) throw storage::FileError(path, failed.message());
  return same;
}

}  // namespace

std::optional<std::filesystem::path> own_file_among_outputs(const std::filesystem::path& program,
                                                            const std::filesystem::path& folder,
                                                            std::string_view line_name,
                                                            std::string_view train_name) {
  for (const std::string& name : documents::package_file_names(line_name, train_name)) {
    const std::filesystem::path output = folder / name;
    if (is_program(program, output)) return output;
  }
  // As many steps as the folder has entries.
  std::error_code failed;
  std::filesystem::directory_iterator entries(folder, failed);
  for (; !failed && entries != std::filesystem::directory_iterator(); entries.increment(failed)) {
    const std::filesystem::path& entry = entries->path();
    if (storage::is_temporary_file_name(entry.filename()) && is_program(program, entry)) {
      return entry;
    }
  }
  if (failed) throw storage::FileError(folder, failed.message());
  return std::nullopt;
}

}  // namespace borgo::driver
