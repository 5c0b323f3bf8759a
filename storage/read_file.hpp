#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace borgo::storage {

// Reads the whole file into memory. Only a regular file is read: a FIFO, a
// device or a directory is refused without waiting. Throws FileError naming
// `path` on failure.
std::string read_file(const std::filesystem::path& path);

// The same for a file that can hold no more than `most` bytes: nullopt when
// it holds more, told by its size as opened, without reading a byte (or, for
// one that grows while it is read, as soon as it is past `most`). `size` is
// given the file's size: as opened, or as far as it was read past `most`.
std::optional<std::string> read_file_of_at_most(const std::filesystem::path& path,
                                                std::uint64_t most, std::uint64_t& size);

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
