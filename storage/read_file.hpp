#pragma once

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

}  // namespace borgo::storage
