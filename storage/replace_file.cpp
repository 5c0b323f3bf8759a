#include "storage/replace_file.hpp"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

#include "storage/file_error.hpp"
#include "storage/open_file.hpp"

namespace borgo {
namespace {

std::filesystem::path temporary_beside(const std::filesystem::path& path) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temporary = path;
  temporary += ".partial-" + std::to_string(counter++);
  return temporary;
}

// Writes `bytes` to a new file; returns the errno of the first failure, 0 on success.
int write_new_file(const std::filesystem::path& path, std::string_view bytes) {
  std::FILE* file = open_file(path, "wb");
  if (file == nullptr) return errno != 0 ? errno : EIO;
  int failure = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
    failure = errno != 0 ? errno : EIO;
  }
  if (std::fflush(file) != 0 && failure == 0) failure = errno != 0 ? errno : EIO;
  if (std::fclose(file) != 0 && failure == 0) failure = errno != 0 ? errno : EIO;
  return failure;
}

}  // namespace

void replace_file(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path temporary = temporary_beside(path);
  errno = 0;
  if (int failure = write_new_file(temporary, bytes); failure != 0) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw FileError(path, std::strerror(failure));
  }
  std::error_code renamed;
  std::filesystem::rename(temporary, path, renamed);
  if (renamed) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw FileError(path, renamed.message());
  }
}

}  // namespace borgo
