#include "tools/output_file.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#endif

#include <string>
#include <system_error>

#include "storage/file_error.hpp"
#include "storage/replace_file.hpp"
#include "tools/command_support.hpp"

namespace borgo::tools {
namespace {

#ifndef _WIN32
bool is_stream(std::filesystem::file_type type) {
  return type == std::filesystem::file_type::fifo || type == std::filesystem::file_type::character;
}

[[noreturn]] void fail(const std::filesystem::path& path, int error) {
  throw storage::FileError(path, std::strerror(error != 0 ? error : EIO));
}

// Writes into a FIFO or a character device as it stands. What is opened is
// checked again, since the name may have been swapped for a file meanwhile.
void write_into_stream(const std::filesystem::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) fail(path, errno);
  struct stat opened {};
  if (::fstat(fd, &opened) != 0) {
    const int error = errno;
    ::close(fd);
    fail(path, error);
  }
  if (!S_ISFIFO(opened.st_mode) && !S_ISCHR(opened.st_mode)) {
    ::close(fd);
    throw Refusal("'" + path.string() + "' stopped being a FIFO or a device while it was opened");
  }
  // Each round writes at least one byte or ends; an interrupted write is
  // tried again a bounded number of times.
  constexpr std::size_t kChunk = 1 << 20;
  constexpr int kInterruptions = 100;
  int interruptions = 0;
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, std::min(kChunk, bytes.size() - done));
    if (n < 0 && errno == EINTR && ++interruptions < kInterruptions) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      ::close(fd);
      fail(path, error);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && errno != EINTR) fail(path, errno);
}
#endif

}  // namespace

OutputWritten write_output(std::string_view name, std::string_view bytes, std::ostream& out) {
  if (name == "-") {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return OutputWritten::kStream;
  }
  const std::filesystem::path path{std::string(name)};
#ifndef _WIN32
  std::error_code failed;
  const std::filesystem::file_status link = std::filesystem::symlink_status(path, failed);
  if (failed && link.type() != std::filesystem::file_type::not_found) {
    throw storage::FileError(path, failed.message());
  }
  if (is_stream(link.type())) {
    write_into_stream(path, bytes);
    return OutputWritten::kStream;
  }
  if (link.type() == std::filesystem::file_type::symlink) {
    const std::filesystem::file_status target = std::filesystem::status(path, failed);
    if (failed || !is_stream(target.type())) {
      throw Refusal("'" + path.string() +
                    "' is a symbolic link: name the file itself, or '-' for standard output");
    }
    write_into_stream(path, bytes);
    return OutputWritten::kStream;
  }
#endif
  storage::replace_file(path, bytes);
  return OutputWritten::kFile;
}

}  // namespace borgo::tools
