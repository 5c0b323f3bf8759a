#include "storage/read_file.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "storage/file_error.hpp"
#include "storage/open_file.hpp"

namespace borgo::storage {

std::string read_file(const std::filesystem::path& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_file(path, "rb"), &std::fclose);
  if (!file) throw FileError(path, std::strerror(errno));
  std::string bytes;
  char buffer[1 << 16];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  if (std::ferror(file.get())) throw FileError(path, "read failed");
  return bytes;
}

}  // namespace borgo::storage
