// The watch's notifications on Linux: inotify on the descriptions' folders.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "tools/preview/watch_signal.hpp"

namespace borgo::tools {
namespace {

// Editors save in place or by writing another file and renaming it over the
// description, so the folder is watched, not the file. A write in place is
// told when the file is closed, never while it is being written.
constexpr std::uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE |
                                        IN_MOVED_FROM | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
// Reads of the queue for one wake: a flood of events for other names cannot
// hold the watch, and whatever is left wakes the next wait.
constexpr int kReadsPerWake = 16;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

class InotifyChanges final : public WatchSignal {
 public:
  InotifyChanges(int inotify, int stop) : inotify_(inotify), stop_(stop) {}

  // Watches each file's folder for its name; false when a folder cannot be
  // watched.
  bool watch(const std::vector<std::filesystem::path>& files) {
    for (const std::filesystem::path& file : files) {
      const int folder =
          ::inotify_add_watch(inotify_.get(), folder_of(file).c_str(), kFolderEvents | IN_ONLYDIR);
      if (folder < 0) return false;
      names_[folder].insert(file.filename().string());
    }
    return true;
  }

  Wake wait(std::optional<std::chrono::milliseconds> timeout) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = timeout ? Clock::now() + *timeout : Clock::time_point::max();
    for (;;) {
      int wait_ms = -1;
      if (timeout) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        wait_ms = left > 0 ? static_cast<int>(left) : 0;
      }
      pollfd fds[] = {{stop_.get(), POLLIN, 0}, {inotify_.get(), POLLIN, 0}};
      const int ready = ::poll(fds, 2, wait_ms);
      if (ready < 0) {
        if (errno == EINTR) continue;
        return Wake::kLost;
      }
      if (fds[0].revents != 0) return Wake::kStopped;
      if (ready == 0) return Wake::kTimedOut;
      if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) return Wake::kLost;
      const Wake told = read_events();
      // Events for other files only: the wait goes on.
      if (told != Wake::kTimedOut) return told;
      if (timeout && Clock::now() >= deadline) return Wake::kTimedOut;
    }
  }

  void stop() override {
    const std::uint64_t one = 1;
    // A counter already set makes the write fail with EAGAIN: stopped all the same.
    [[maybe_unused]] const ssize_t written = ::write(stop_.get(), &one, sizeof one);
  }

  bool notified() const override { return true; }

 private:
  // kTold when an event names a watched file, kLost when a folder's watch
  // ended, kTimedOut when nothing read concerns the files.
  Wake read_events() {
    bool look = false;
    alignas(inotify_event) char buffer[16 * 1024];
    for (int reads = 0; reads < kReadsPerWake; ++reads) {
      const ssize_t got = ::read(inotify_.get(), buffer, sizeof buffer);
      if (got < 0) {
        if (errno == EINTR) continue;
        if (errno == EAGAIN) break;
        return Wake::kLost;
      }
      if (got == 0) break;
      for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(got);) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        const std::size_t whole = sizeof(inotify_event) + event->len;
        if (at + whole > static_cast<std::size_t>(got)) break;
        at += whole;
        // Events lost to a full queue may have named the files.
        if (event->mask & IN_Q_OVERFLOW) look = true;
        if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
          return Wake::kLost;
        }
        if (event->len == 0) continue;
        const std::string_view name(event->name, ::strnlen(event->name, event->len));
        const auto folder = names_.find(event->wd);
        if (folder != names_.end() && folder->second.contains(name)) look = true;
      }
    }
    return look ? Wake::kTold : Wake::kTimedOut;
  }

  FileDescriptor inotify_;
  FileDescriptor stop_;
  std::map<int, std::set<std::string, std::less<>>>
      names_;  // by watch, the names watched in its folder
};

}  // namespace

std::unique_ptr<WatchSignal> notified_changes(const std::vector<std::filesystem::path>& files) {
  const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify < 0) return nullptr;
  const int stop = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (stop < 0) {
    ::close(inotify);
    return nullptr;
  }
  auto changes = std::make_unique<InotifyChanges>(inotify, stop);
  if (!changes->watch(files)) return nullptr;
  return changes;
}

}  // namespace borgo::tools
