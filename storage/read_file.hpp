#pragma once

#include <filesystem>
#include <string>

namespace borgo::storage {

// Reads the whole file into memory. Only a regular file is read: a FIFO, a
// device or a directory is refused without waiting. Throws FileError naming
// `path` on failure.
std::string read_file(const std::filesystem::path& path);

}  // namespace borgo::storage
