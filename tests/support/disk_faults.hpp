#pragma once

// Faults of the disk for the tests of replace_file and of the run: each one
// strikes when a chosen file is about to be replaced. Where the machine lets
// a test make the fault for real (a read-only folder, a full file system) it
// does; elsewhere the storage layer's fault hook stands in for it.

#include <cerrno>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>

#include "storage/replace_file.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"

#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace borgo::testing {

enum class DiskFault {
  kReadOnlyFolder,     // the folder turns read-only just before the file is written
  kDirectoryInTheWay,  // a directory stands where the file should go
  kDiskFull,           // the disk fills up just before the file is written
  kRenameFails,        // the temporary file cannot be renamed over the old one
  kReadOnlyFile,       // the old file turns read-only just before it is replaced
};

inline const char* fault_name(DiskFault fault) {
  switch (fault) {
    case DiskFault::kReadOnlyFolder:
      return "ReadOnlyFolder";
    case DiskFault::kDirectoryInTheWay:
      return "DirectoryInTheWay";
    case DiskFault::kDiskFull:
      return "DiskFull";
    case DiskFault::kRenameFails:
      return "RenameFails";
    case DiskFault::kReadOnlyFile:
      return "ReadOnlyFile";
  }
  return "?";
}

// What a folder holds, by name: a file's bytes, or "<directory>" followed by
// the directory's own entries.
inline std::map<std::string, std::string> folder_entries(const std::filesystem::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string& held = entries[entry.path().filename().string()];
    if (entry.is_directory()) {
      held = "<directory>";
      for (const auto& [name, bytes] : folder_entries(entry.path())) held += name + "=" + bytes;
    } else {
      held = slurp(entry.path());
    }
  }
  return entries;
}

// The names whose entries differ between two folders' entries, each
// with a short reason; empty when they are the same.
inline std::string entry_differences(const std::map<std::string, std::string>& actual,
                                     const std::map<std::string, std::string>& expected) {
  std::string differences;
  for (const auto& [name, bytes] : expected) {
    const auto found = actual.find(name);
    if (found == actual.end()) {
      differences += "'" + name + "' is missing; ";
    } else if (found->second != bytes) {
      differences += "'" + name + "' holds " + std::to_string(found->second.size()) +
                     " bytes other than the expected " + std::to_string(bytes.size()) + "; ";
    }
  }
  for (const auto& [name, bytes] : actual) {
    if (!expected.count(name)) differences += "'" + name + "' should not be there; ";
  }
  return differences;
}

// A directory with one file inside, standing where `path` should go.
inline void put_directory_in_the_way(const std::filesystem::path& path) {
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  spit(path / "inside.txt", "not to be lost\r\n");
}

// A small file system of its own, mounted over a fresh folder; on Linux
// only, and only where the process may mount (root, or a user namespace).
// The mount is made in a mount namespace private to this process, so that
// it goes with the process whatever happens to the test.
class SmallDisk {
 public:
  explicit SmallDisk(int megabytes) {
#ifdef __linux__
    const std::string options = "size=" + std::to_string(megabytes) + "m";
    mounted_ = private_mounts() && ::mount("borgo-test", folder_.path().c_str(), "tmpfs",
                                           MS_NOSUID | MS_NODEV, options.c_str()) == 0;
#else
    (void)megabytes;
#endif
  }
  ~SmallDisk() {
#ifdef __linux__
    if (mounted_) ::umount2(folder_.path().c_str(), MNT_DETACH);
#endif
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::filesystem::path& path() const { return folder_.path(); }

 private:
#ifdef __linux__
  static bool private_mounts() {
    static const bool ready = ::unshare(CLONE_NEWNS) == 0 &&
                              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return ready;
  }
#endif

  ScratchFolder folder_;
  bool mounted_ = false;
};

// The folder a fault strikes in: for a full disk, a folder on a small disk
// of its own with a filler file beside it, where one can be mounted; an
// ordinary temporary folder otherwise.
class FaultFolder {
 public:
  FaultFolder(DiskFault fault, int megabytes) {
    if (fault == DiskFault::kDiskFull && disk_.emplace(megabytes).mounted()) {
      path_ = disk_->path() / "folder";
      filler_ = disk_->path() / "filler";
      std::filesystem::create_directory(path_);
    } else {
      path_ = plain_.emplace().path();
    }
  }

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // Where to fill the disk; none when the disk cannot be filled for real.
  const std::optional<std::filesystem::path>& filler() const { return filler_; }

 private:
  std::optional<SmallDisk> disk_;
  std::optional<ScratchFolder> plain_;
  std::filesystem::path path_;
  std::optional<std::filesystem::path> filler_;
};

// Arms one fault for the replacement of `target`, and takes it away again
// (folder writable, hook removed) when it goes out of scope.
class DiskFaultInjector {
 public:
  // `filler`: for kDiskFull, a file to grow until the disk holding the
  // target's folder is full; without one the write is made to fail instead.
  DiskFaultInjector(DiskFault fault, std::filesystem::path target,
                    std::optional<std::filesystem::path> filler = std::nullopt)
      : fault_(fault), target_(std::move(target)), filler_(std::move(filler)) {
    storage::set_replace_fault_hook(
        [this](storage::ReplaceStep step, const std::filesystem::path& path) {
          return path.filename() == target_.filename() ? strike(step) : 0;
        });
  }
  ~DiskFaultInjector() {
    storage::set_replace_fault_hook(nullptr);
    if (read_only_) make_read_only(target_.parent_path(), false);
    if (read_only_file_) {
      std::error_code gone;  // a run that went wrong may have removed it
      std::filesystem::permissions(target_, std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, gone);
    }
  }
  DiskFaultInjector(const DiskFaultInjector&) = delete;
  DiskFaultInjector& operator=(const DiskFaultInjector&) = delete;

  // The target's replacement was attempted.
  bool struck() const { return !how_.empty(); }
  // How the fault was made, for the test's messages.
  const std::string& how() const { return how_; }

 private:
  int strike(storage::ReplaceStep step) {
    switch (fault_) {
      case DiskFault::kReadOnlyFolder:
        if (step != storage::ReplaceStep::kCreate) return 0;
        if (make_read_only(target_.parent_path(), true)) {
          read_only_ = true;
          return 0;
        }
        how_ = "injected EACCES at creation (this machine cannot make the folder read-only)";
        return EACCES;
      case DiskFault::kDirectoryInTheWay:
        if (step == storage::ReplaceStep::kCreate) how_ = "a real directory in the file's place";
        return 0;
      case DiskFault::kDiskFull:
        if (filler_) {
          if (step == storage::ReplaceStep::kCreate) fill_disk();
          return 0;
        }
        if (step != storage::ReplaceStep::kWrite) return 0;
        how_ = "injected ENOSPC at the write (no small file system could be mounted)";
        return ENOSPC;
      case DiskFault::kRenameFails:
        if (step != storage::ReplaceStep::kRename) return 0;
        how_ = "injected EBUSY at the rename";
        return EBUSY;
      case DiskFault::kReadOnlyFile:
        if (step != storage::ReplaceStep::kCreate) return 0;
        std::filesystem::permissions(target_,
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
        read_only_file_ = true;
        how_ = "a real read-only file";
        return 0;
    }
    return 0;
  }

  void fill_disk() {
    how_ = "a real full file system";
#ifdef __linux__
    const int fd = ::open(filler_->c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return;
    static const std::string chunk(1 << 16, 'f');
    std::size_t size = chunk.size();
    // Halving the chunk on each refusal fills the last pages too; the cap
    // keeps a disk that is not small from being filled by mistake.
    for (std::size_t total = 0; size > 0 && total < (std::size_t{1} << 30);) {
      const ::ssize_t written = ::write(fd, chunk.data(), size);
      if (written < 0) {
        size /= 2;
      } else {
        total += static_cast<std::size_t>(written);
      }
    }
    ::close(fd);
#endif
  }

  // Makes `folder` read-only (or writable again) by the first means that
  // works here: permission bits where they bind the process, the immutable
  // attribute where the process is root. Checked by trying to create a file.
  bool make_read_only(const std::filesystem::path& folder, bool on) {
#ifdef __linux__
    if (!on) {
      set_immutable(folder, false);
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add);
      return true;
    }
    std::filesystem::permissions(folder,
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    if (!can_create_in(folder)) {
      how_ = "a real read-only folder (permission bits)";
      return true;
    }
    if (set_immutable(folder, true) && !can_create_in(folder)) {
      how_ = "a real read-only folder (immutable attribute)";
      return true;
    }
    make_read_only(folder, false);
#else
    (void)folder;
    (void)on;
#endif
    return false;
  }

#ifdef __linux__
  static bool can_create_in(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / ".probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
  }

  static bool set_immutable(const std::filesystem::path& folder, bool on) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
      flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
      done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
  }
#endif

  DiskFault fault_;
  std::filesystem::path target_;
  std::optional<std::filesystem::path> filler_;
  bool read_only_ = false;
  bool read_only_file_ = false;
  std::string how_;
};

}  // namespace borgo::testing
