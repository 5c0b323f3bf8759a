// The watch's notifications on Windows: ReadDirectoryChangesW on the
// descriptions' folders, overlapped, so that a wait also ends on stop().
#include <windows.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/preview/watch_signal.hpp"

namespace borgo::tools {
namespace {

// Names (a save by rename, a delete), sizes, times and attributes: every way a
// save shows. Windows tells of writes while they happen, so the watch's settle
// rule is what keeps a save of several writes from being built half-way.
constexpr DWORD kFolderChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE |
                                 FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_ATTRIBUTES;
// One wait takes at most this many handles, the stop event among them.
constexpr std::size_t kMostFolders = MAXIMUM_WAIT_OBJECTS - 1;

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, nullptr); }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_ = nullptr;
};

// One folder and its read of changes, which the system fills while it is
// pending: neither may move, so a folder is never copied.
struct WatchedFolder {
  Handle folder;
  Handle done;  // set when the read completes
  OVERLAPPED overlapped{};
  alignas(DWORD) std::array<std::byte, 16 * 1024> buffer{};
  std::vector<std::wstring> names;
  bool pending = false;

  WatchedFolder(HANDLE f, HANDLE d) : folder(f), done(d) {}
  WatchedFolder(const WatchedFolder&) = delete;
  WatchedFolder& operator=(const WatchedFolder&) = delete;
  ~WatchedFolder() {
    if (!pending) return;
    // The system writes into the buffer until the cancelled read completes.
    DWORD ignored = 0;
    ::CancelIoEx(folder.get(), &overlapped);
    ::GetOverlappedResult(folder.get(), &overlapped, &ignored, TRUE);
  }

  bool read_changes() {
    ::ResetEvent(done.get());
    overlapped = OVERLAPPED{};
    overlapped.hEvent = done.get();
    pending =
        ::ReadDirectoryChangesW(folder.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                FALSE, kFolderChanges, nullptr, &overlapped, nullptr) != 0;
    return pending;
  }

  bool watches(std::wstring_view name) const {
    for (const std::wstring& watched : names) {
      // File names on Windows match without regard to case.
      if (::CompareStringOrdinal(watched.data(), static_cast<int>(watched.size()), name.data(),
                                 static_cast<int>(name.size()), TRUE) == CSTR_EQUAL) {
        return true;
      }
    }
    return false;
  }

  // Whether the completed read names a watched file: nullopt when the folder
  // cannot be watched any more.
  std::optional<bool> completed() {
    pending = false;
    DWORD bytes = 0;
    if (!::GetOverlappedResult(folder.get(), &overlapped, &bytes, FALSE)) return std::nullopt;
    // No bytes: more changed than the buffer held, the files perhaps among them.
    bool look = bytes == 0;
    for (std::size_t at = 0; !look && at + sizeof(FILE_NOTIFY_INFORMATION) <= bytes;) {
      const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer.data() + at);
      const std::size_t name_at = offsetof(FILE_NOTIFY_INFORMATION, FileName);
      if (at + name_at + change->FileNameLength > bytes) break;
      look = watches({change->FileName, change->FileNameLength / sizeof(wchar_t)});
      if (change->NextEntryOffset == 0) break;
      at += change->NextEntryOffset;
    }
    if (!read_changes()) return std::nullopt;
    return look;
  }
};

class DirectoryChanges final : public WatchSignal {
 public:
  explicit DirectoryChanges(HANDLE stop) : stop_(stop) {}

  bool watch(const std::vector<std::filesystem::path>& files) {
    for (const std::filesystem::path& file : files) {
      const std::filesystem::path folder = folder_of(file);
      WatchedFolder* watched = nullptr;
      for (const auto& [path, known] : folders_) {
        if (path == folder) watched = known.get();
      }
      if (watched == nullptr) {
        if (folders_.size() == kMostFolders) return false;
        Handle handle(::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
        if (!handle.valid()) return false;
        Handle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!done.valid()) return false;
        auto added = std::make_unique<WatchedFolder>(handle.release(), done.release());
        if (!added->read_changes()) return false;
        watched = added.get();
        folders_.emplace_back(folder, std::move(added));
      }
      watched->names.push_back(file.filename().wstring());
    }
    return true;
  }

  Wake wait(std::optional<std::chrono::milliseconds> timeout) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = timeout ? Clock::now() + *timeout : Clock::time_point::max();
    std::vector<HANDLE> handles{stop_.get()};
    for (const auto& folder : folders_) handles.push_back(folder.second->done.get());
    for (;;) {
      DWORD wait_ms = INFINITE;
      if (timeout) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        wait_ms = left > 0 ? static_cast<DWORD>(left) : 0;
      }
      const DWORD woke = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()),
                                                  handles.data(), FALSE, wait_ms);
      if (woke == WAIT_TIMEOUT) return Wake::kTimedOut;
      if (woke == WAIT_OBJECT_0) return Wake::kStopped;
      if (woke >= WAIT_OBJECT_0 + handles.size()) return Wake::kLost;
      const std::optional<bool> look = folders_[woke - WAIT_OBJECT_0 - 1].second->completed();
      if (!look) return Wake::kLost;
      if (*look) return Wake::kTold;
      // Changes to other files only: the wait goes on.
      if (timeout && Clock::now() >= deadline) return Wake::kTimedOut;
    }
  }

  void stop() override { ::SetEvent(stop_.get()); }

  bool notified() const override { return true; }

 private:
  Handle stop_;
  std::vector<std::pair<std::filesystem::path, std::unique_ptr<WatchedFolder>>> folders_;
};

}  // namespace

std::unique_ptr<WatchSignal> notified_changes(const std::vector<std::filesystem::path>& files) {
  const HANDLE stop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (stop == nullptr) return nullptr;
  auto changes = std::make_unique<DirectoryChanges>(stop);
  if (!changes->watch(files)) return nullptr;
  return changes;
}

}  // namespace borgo::tools
