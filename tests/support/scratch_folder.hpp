#pragma once

// The scratch folder of the tests and the benchmarks.

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "storage/process_id.hpp"

namespace borgo::testing {

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes. Its name is not guessable and it is made
// only if nothing stands under that name, so nobody can have planted a link
// or a file in it beforehand.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view purpose = "test") {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::filesystem::path candidate =
          base / ("borgo-" + std::string(purpose) + "-" + std::to_string(storage::process_id()) +
                  "-" + std::to_string(random()) + std::to_string(random()));
      std::error_code failed;
      if (std::filesystem::create_directory(candidate, failed)) {
        path_ = candidate;
        return;
      }
    }
    throw std::runtime_error("cannot make a scratch folder under " + base.string());
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace borgo::testing
