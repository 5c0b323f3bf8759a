#pragma once

#include <chrono>
#include <filesystem>

namespace borgo::storage {

// A folder for one process at a time: held from construction to destruction
// (or to the end of the process, however it ends), through the operating
// system's own locking. On Linux the folder itself is locked and no file is
// made; on Windows a lock file inside it is held open exclusively and goes
// away when it is closed.
class FolderLock {
 public:
  // Takes `folder`, trying again every few milliseconds while another
  // process holds it, for at most `wait_limit`. Throws FileError naming the
  // folder when it cannot be taken: still held after the wait, or missing.
  FolderLock(const std::filesystem::path& folder, std::chrono::milliseconds wait_limit);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
#ifdef _WIN32
  void* handle_;
#else
  int descriptor_;
#endif
};

}  // namespace borgo::storage
