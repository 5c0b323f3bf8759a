#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "storage/file_error.hpp"

namespace borgo::storage {

// Reads the whole file into memory. Only a regular file is read: a FIFO, a
// device or a directory is refused without waiting. Throws FileError naming
// `path` on failure.
std::string read_file(const std::filesystem::path& path);

// A file that holds more bytes than its reader takes.
class FileTooLarge : public FileError {
 public:
  FileTooLarge(std::filesystem::path path, std::uintmax_t largest)
      : FileError(std::move(path), "holds more than " + std::to_string(largest) + " bytes"),
        largest_(largest) {}
  std::uintmax_t largest() const { return largest_; }

 private:
  std::uintmax_t largest_;
};

// The same for a file that may hold at most `largest` bytes: a larger one is
// refused by its size before a byte is read, and one that grows past it
// while it is read is refused too. Throws FileTooLarge, or FileError.
std::string read_file(const std::filesystem::path& path, std::uintmax_t largest);

}  // namespace borgo::storage
