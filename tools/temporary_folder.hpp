#pragma once

#include <filesystem>

namespace borgo::tools {

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes. Throws FileError when none can be made.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace borgo::tools
