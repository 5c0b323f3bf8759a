#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace borgo::storage {

// std::fopen for a path. On Windows a narrow file name goes through the ANSI
// code page, which cannot name every folder (and std::filesystem::path's
// narrow form is UTF-8 there), so the path is handed over in its wide form.
inline std::FILE* open_file(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
  return ::_wfopen(path.c_str(), wide_mode.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

}  // namespace borgo::storage
