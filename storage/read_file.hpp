#pragma once

#include <filesystem>
#include <string>

namespace borgo::storage {

// Reads the whole file into memory. Throws FileError naming `path` on failure.
std::string read_file(const std::filesystem::path& path);

}  // namespace borgo::storage
