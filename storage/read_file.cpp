#include "storage/read_file.hpp"

#ifdef _WIN32
#include <windows.h>
// after windows.h
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "storage/file_error.hpp"

namespace borgo::storage {
namespace {

void close_descriptor(int descriptor) {
#ifdef _WIN32
  ::_close(descriptor);
#else
  ::close(descriptor);
#endif
}

// A descriptor closed on every path out, unless released.
class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  ~Descriptor() {
    if (descriptor_ >= 0) close_descriptor(descriptor_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return descriptor_; }
  int release() { return std::exchange(descriptor_, -1); }

 private:
  int descriptor_;
};

#ifdef _WIN32
// Opened letting others read, write and delete it meanwhile: an editor that
// saves by deleting the old file must not fail because the tool (the
// preview, say) is reading it at that moment.
int open_shared(const std::filesystem::path& path) {
  const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD failure = ::GetLastError();
    errno = failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND     ? ENOENT
            : failure == ERROR_ACCESS_DENIED || failure == ERROR_SHARING_VIOLATION ? EACCES
                                                                                   : EIO;
    return -1;
  }
  const int descriptor =
      ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (descriptor < 0) ::CloseHandle(handle);
  return descriptor;
}
#endif

struct OpenFile {
  Descriptor descriptor;
  std::uint64_t size;
};

// Opened without waiting, so that a FIFO with no writer does not hold the
// run; what is not a regular file is then refused before a byte is read.
OpenFile open_regular_file(const std::filesystem::path& path) {
#ifdef _WIN32
  // A folder cannot be opened at all there: it is told by its name first.
  struct _stat64 status {};
  if (::_wstat64(path.c_str(), &status) == 0 && (status.st_mode & _S_IFMT) != _S_IFREG) {
    throw FileError(path, "is not a regular file");
  }
  Descriptor file(open_shared(path));
  const bool known = file.get() >= 0 && ::_fstat64(file.get(), &status) == 0;
  const bool regular = known && (status.st_mode & _S_IFMT) == _S_IFREG;
#else
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  const bool known = file.get() >= 0 && ::fstat(file.get(), &status) == 0;
  const bool regular = known && S_ISREG(status.st_mode);
#endif
  if (!known) throw FileError(path, std::strerror(errno));
  if (!regular) throw FileError(path, "is not a regular file");
  return OpenFile{Descriptor(file.release()), static_cast<std::uint64_t>(status.st_size)};
}

// One read of at most `count` bytes into `buffer`: the bytes read, 0 at the
// end of the file, negative on failure (errno says why).
long long read_some(int descriptor, char* buffer, std::size_t count) {
  // Well under what one call of either system takes.
  constexpr std::size_t kLargestRead = 1 << 20;
  const std::size_t wanted = std::min(count, kLargestRead);
#ifdef _WIN32
  return ::_read(descriptor, buffer, static_cast<unsigned>(wanted));
#else
  for (;;) {
    const ::ssize_t got = ::read(descriptor, buffer, wanted);
    if (got >= 0 || errno != EINTR) return got;
  }
#endif
}

}  // namespace

std::string read_file(const std::filesystem::path& path, std::uint64_t largest) {
  const OpenFile file = open_regular_file(path);
  if (file.size > largest) throw FileTooLarge(path, largest, file.size);
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(file.size));
  char buffer[1 << 16];
  for (;;) {
    const long long got = read_some(file.descriptor.get(), buffer, sizeof buffer);
    if (got < 0) throw FileError(path, std::string("read failed: ") + std::strerror(errno));
    if (got == 0) return bytes;
    if (static_cast<std::uint64_t>(got) > largest - bytes.size()) {
      throw FileTooLarge(path, largest, bytes.size() + static_cast<std::uint64_t>(got));
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

std::string read_file(const std::filesystem::path& path) {
  return read_file(path, std::numeric_limits<std::uint64_t>::max());
}

FileReader::FileReader(const std::filesystem::path& path) : path_(path) {
  OpenFile file = open_regular_file(path);
  size_ = file.size;
  descriptor_ = file.descriptor.release();
}

FileReader::~FileReader() { close_descriptor(descriptor_); }

std::string FileReader::read_at(std::uint64_t offset, std::size_t count) const {
  if (offset > size_ || count > size_ - offset) {
    throw FileError(path_, "ends before byte " + std::to_string(offset + count));
  }
#ifdef _WIN32
  const bool placed = ::_lseeki64(descriptor_, static_cast<long long>(offset), SEEK_SET) >= 0;
#else
  const bool placed = ::lseek(descriptor_, static_cast< ::off_t>(offset), SEEK_SET) >= 0;
#endif
  if (!placed) throw FileError(path_, std::string("seek failed: ") + std::strerror(errno));
  std::string bytes(count, '\0');
  // Each pass reads at least one byte or ends the loop.
  for (std::size_t done = 0; done < count;) {
    const long long got = read_some(descriptor_, bytes.data() + done, count - done);
    if (got < 0) throw FileError(path_, std::string("read failed: ") + std::strerror(errno));
    if (got == 0) throw FileError(path_, "ends before byte " + std::to_string(offset + count));
    done += static_cast<std::size_t>(got);
  }
  return bytes;
}

}  // namespace borgo::storage
