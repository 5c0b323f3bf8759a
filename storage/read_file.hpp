#pragma once

#include <cstddef>
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
  FileTooLarge(std::filesystem::path path, std::uint64_t largest, std::uint64_t size)
      : FileError(std::move(path), "holds more than " + std::to_string(largest) + " bytes"),
        largest_(largest),
        size_(size) {}
  std::uint64_t largest() const { return largest_; }
  // The file's size as opened, or, for one that grew while it was read, as
  // far as it was read.
  std::uint64_t size() const { return size_; }

 private:
  std::uint64_t largest_;
  std::uint64_t size_;
};

// The same for a file that may hold at most `largest` bytes: a larger one is
// refused by its size before a byte is read, and one that grows past it
// while it is read as soon as it does. Throws FileTooLarge, or FileError.
std::string read_file(const std::filesystem::path& path, std::uint64_t largest);

// A regular file open for reading pieces of it, for a reader that wants only
// a part of a file that may be large (the end of a program). Refuses what
// read_file refuses. Every failure is a FileError naming the path.
class FileReader {
 public:
  explicit FileReader(const std::filesystem::path& path);
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // The size of the file when it was opened.
  std::uint64_t size() const { return size_; }
  // The `count` bytes from `offset`; a file that ends before them is a failure.
  std::string read_at(std::uint64_t offset, std::size_t count) const;

 private:
  std::filesystem::path path_;
  int descriptor_;
  std::uint64_t size_;
};

}  // namespace borgo::storage
