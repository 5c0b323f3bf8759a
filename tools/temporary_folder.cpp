#include "tools/temporary_folder.hpp"

#include <random>
#include <string>
#include <system_error>

#include "storage/file_error.hpp"

namespace borgo::tools {

TemporaryFolder::TemporaryFolder() {
  std::error_code failed;
  const std::filesystem::path base = std::filesystem::temp_directory_path(failed);
  if (failed) throw FileError("temporary folder", failed.message());
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = base / ("scenario-tool-" + std::to_string(entropy()));
    if (std::filesystem::create_directory(path_, failed)) return;
    if (failed) throw FileError(path_, failed.message());
  }
  throw FileError(base, "no fresh temporary folder could be made");
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace borgo::tools
