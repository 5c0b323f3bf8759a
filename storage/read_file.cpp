#include "storage/read_file.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <limits>

#include "storage/file_error.hpp"

namespace borgo::storage {
namespace {

// A descriptor closed on every path out.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  ~Descriptor() {
    if (descriptor_ >= 0) {
#ifdef _WIN32
      ::_close(descriptor_);
#else
      ::close(descriptor_);
#endif
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

}  // namespace

std::string read_file(const std::filesystem::path& path) {
  return read_file(path, std::numeric_limits<std::uintmax_t>::max());
}

std::string read_file(const std::filesystem::path& path, std::uintmax_t largest) {
  // Opened without waiting, so that a FIFO with no writer does not hold the
  // run; what is not a regular file is then refused before a byte is read.
#ifdef _WIN32
  // A folder cannot be opened at all there: it is told by its name first.
  struct _stat64 status {};
  if (::_wstat64(path.c_str(), &status) == 0 && (status.st_mode & _S_IFMT) != _S_IFREG) {
    throw FileError(path, "is not a regular file");
  }
  const Descriptor file(::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
  const bool known = file.get() >= 0 && ::_fstat64(file.get(), &status) == 0;
  const bool regular = known && (status.st_mode & _S_IFMT) == _S_IFREG;
#else
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  const bool known = file.get() >= 0 && ::fstat(file.get(), &status) == 0;
  const bool regular = known && S_ISREG(status.st_mode);
#endif
  if (!known) throw FileError(path, std::strerror(errno));
  if (!regular) throw FileError(path, "is not a regular file");
  if (status.st_size > 0 && static_cast<std::uintmax_t>(status.st_size) > largest) {
    throw FileTooLarge(path, largest);
  }

  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(status.st_size));
  char buffer[1 << 16];
  for (;;) {
#ifdef _WIN32
    const int got = ::_read(file.get(), buffer, sizeof buffer);
#else
    const ::ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
#endif
    if (got < 0) throw FileError(path, std::string("read failed: ") + std::strerror(errno));
    if (got == 0) return bytes;
    if (static_cast<std::uintmax_t>(got) > largest - bytes.size())
      throw FileTooLarge(path, largest);
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace borgo::storage
