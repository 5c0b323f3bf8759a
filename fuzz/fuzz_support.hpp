#pragma once

// Shared by the fuzz targets: a scratch folder for the documents of one input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "storage/process_id.hpp"

namespace borgo::fuzz {

inline void remove_scratch_folder();

// Removed with its files when the fuzzer ends normally (time or run limit).
inline const std::filesystem::path& scratch_folder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::filesystem::path p = base / ("borgo-fuzz-" + std::to_string(process_id()));
    std::filesystem::create_directories(p);
    return p;
  }();
  // Registered after the path exists, so that it runs before the path's destructor.
  static const bool removed_at_exit = std::atexit(remove_scratch_folder) == 0;
  (void)removed_at_exit;
  return folder;
}

inline void remove_scratch_folder() {
  std::error_code ignored;
  std::filesystem::remove_all(scratch_folder(), ignored);
}

inline void write_bytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Splits an input at its first NUL byte: the line description before it, the
// train description after it (a fixed small one when there is no NUL).
inline std::pair<std::string_view, std::string_view> split_documents(const std::uint8_t* data,
                                                                     std::size_t size) {
  static constexpr std::string_view kDefaultTrain =
      "[generale]\r\nvelocita, 0, 30\r\nsegnale, 1050, 2,4,1,1,0,2,2,1,1,210\r\n[fine]\r\n";
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  if (nul == std::string_view::npos) return {input, kDefaultTrain};
  return {input.substr(0, nul), input.substr(nul + 1)};
}

}  // namespace borgo::fuzz
