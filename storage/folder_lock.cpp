#include "storage/folder_lock.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <algorithm>
#include <string>
#include <system_error>
#include <thread>

#include "storage/file_error.hpp"

namespace borgo::storage {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kPollInterval{10};

std::string held_too_long(std::chrono::milliseconds wait_limit) {
  const auto count = wait_limit.count();
  const std::string wait =
      count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
  return "held by another process for longer than " + wait;
}

// Calls `try_take` until it takes the folder or gives up, sleeping between
// tries while the folder is held; the deadline bounds the loop.
template <typename TryTake>
void take_within(const std::filesystem::path& folder, std::chrono::milliseconds wait_limit,
                 TryTake try_take) {
  const Clock::time_point deadline = Clock::now() + wait_limit;
  for (;;) {
    if (try_take()) return;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) throw FileError(folder, held_too_long(wait_limit));
    std::this_thread::sleep_for(std::min<Clock::duration>(kPollInterval, deadline - now));
  }
}

}  // namespace

#ifdef _WIN32

// The lock file's name; the share mode 0 keeps every other opener out, and
// the file is deleted when its one handle closes, also when the process is
// killed.
constexpr wchar_t kLockFileName[] = L"borgo-folder.lock";

FolderLock::FolderLock(const std::filesystem::path& folder, std::chrono::milliseconds wait_limit)
    : handle_(INVALID_HANDLE_VALUE) {
  const std::filesystem::path lock_file = folder / kLockFileName;
  take_within(folder, wait_limit, [&] {
    const HANDLE handle = CreateFileW(
        lock_file.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      handle_ = handle;
      return true;
    }
    const DWORD failure = GetLastError();
    if (failure == ERROR_SHARING_VIOLATION) return false;
    // A lock file whose holder has just closed it is refused until it is
    // gone; a folder that refuses the new file has no lock file at all.
    if (failure == ERROR_ACCESS_DENIED &&
        (GetFileAttributesW(lock_file.c_str()) != INVALID_FILE_ATTRIBUTES ||
         GetLastError() == ERROR_ACCESS_DENIED)) {
      return false;
    }
    throw FileError(folder, std::system_category().message(static_cast<int>(failure)));
  });
}

FolderLock::~FolderLock() { CloseHandle(handle_); }

#else

FolderLock::FolderLock(const std::filesystem::path& folder, std::chrono::milliseconds wait_limit)
    : descriptor_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (descriptor_ < 0) throw FileError(folder, std::strerror(errno));
  try {
    take_within(folder, wait_limit, [&] {
      if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) return true;
      const int failure = errno;
      if (failure == EWOULDBLOCK || failure == EINTR) return false;
      throw FileError(folder, std::strerror(failure));
    });
  } catch (...) {
    ::close(descriptor_);
    throw;
  }
}

// Closing the folder's only descriptor releases the lock.
FolderLock::~FolderLock() { ::close(descriptor_); }

#endif

}  // namespace borgo::storage
