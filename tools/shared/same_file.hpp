#pragma once

// Whether two names are one file, so that a command never writes one of its
// outputs over another, or over a file it reads.

#include <filesystem>

namespace borgo::tools {

// Names in one folder that differ only in ASCII case: one file where case is
// ignored (Windows, macOS), whatever this file system does.
bool one_file_where_case_is_ignored(const std::filesystem::path& a, const std::filesystem::path& b);

// Names of the same file on disk (device and inode), through any link or
// spelling; false when either is missing.
bool one_file_on_disk(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace borgo::tools
