#pragma once

// The physical floor of a run: its files' bytes copied into the page cache in
// 64 KiB writes from one small buffer already in memory, and its two
// descriptions read back and deleted, as the run does, with no compile.

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace borgo::bench {

struct FloorStep {
  enum Kind : std::uint8_t { kWrite, kReadAndDelete };
  Kind kind;
  std::string name;
  std::uint64_t size = 0;  // bytes to write
};

// Runs the steps in order in `folder`; false on the first failure, with the
// failing file's name in `failed`.
inline bool run_floor(const std::filesystem::path& folder, const std::vector<FloorStep>& steps,
                      std::string& failed) {
  static std::array<char, 64 * 1024> buffer = [] {
    std::array<char, 64 * 1024> filled{};
    filled.fill('x');  // touched: the buffer is in memory before the first write
    return filled;
  }();
  for (const FloorStep& step : steps) {
    const std::filesystem::path path = folder / step.name;
    failed = step.name;
    if (step.kind == FloorStep::kWrite) {
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0) return false;
      for (std::uint64_t left = step.size; left > 0;) {
        const std::size_t n = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
        if (::write(fd, buffer.data(), n) != static_cast<ssize_t>(n)) {
          ::close(fd);
          return false;
        }
        left -= n;
      }
      if (::close(fd) != 0) return false;
    } else {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) return false;
      ssize_t got = 0;
      while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
      }
      ::close(fd);
      if (got < 0 || ::unlink(path.c_str()) != 0) return false;
    }
  }
  failed.clear();
  return true;
}

}  // namespace borgo::bench
