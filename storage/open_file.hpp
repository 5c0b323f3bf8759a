#pragma once

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

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

// A new file at `path`, opened for writing bytes: made only if nothing at
// all stands under that name, so that a file, a link (never followed) or a
// FIFO planted there is refused with EEXIST instead of being written
// through. The permissions are the system's default for a new file (0666
// less the umask on POSIX; 0777 less the umask for an `executable` one).
// Returns null with errno set on failure.
inline std::FILE* create_new_file(const std::filesystem::path& path,
                                  [[maybe_unused]] bool executable = false) {
#ifdef _WIN32
  const int descriptor =
      ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
               _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return nullptr;
  std::FILE* file = ::_fdopen(descriptor, "wb");
  if (file == nullptr) {
    const int failure = errno;
    ::_close(descriptor);
    errno = failure;
  }
#else
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                executable ? 0777 : 0666);
  if (descriptor < 0) return nullptr;
  std::FILE* file = ::fdopen(descriptor, "wb");
  if (file == nullptr) {
    const int failure = errno;
    ::close(descriptor);
    errno = failure;
  }
#endif
  return file;
}

}  // namespace borgo::storage
