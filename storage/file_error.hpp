#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace borgo::storage {

// A file of the run could not be read, created, written or replaced. Carries
// the file and the system's reason so that whoever reports it can name both.
class FileError : public std::runtime_error {
 public:
  FileError(std::filesystem::path path, std::string reason)
      : std::runtime_error("'" + path.string() + "': " + reason),
        path_(std::move(path)),
        reason_(std::move(reason)) {}

  const std::filesystem::path& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::filesystem::path path_;
  std::string reason_;
};

}  // namespace borgo::storage
