#include <condition_variable>
#include <mutex>

#include "tools/preview/watch_signal.hpp"

namespace borgo::tools {
namespace {

class PolledChanges final : public WatchSignal {
 public:
  explicit PolledChanges(std::chrono::milliseconds interval) : interval_(interval) {}

  // Nothing is ever told: every wait lasts one interval, after which the
  // watch looks, whatever the timeout asked for.
  Wake wait(std::optional<std::chrono::milliseconds>) override {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, interval_, [this] { return stopping_; }) ? Wake::kStopped
                                                                         : Wake::kTimedOut;
  }

  void stop() override {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
  }

  bool notified() const override { return false; }

 private:
  const std::chrono::milliseconds interval_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

}  // namespace

std::unique_ptr<WatchSignal> polled_changes(std::chrono::milliseconds interval) {
  return std::make_unique<PolledChanges>(interval);
}

std::filesystem::path folder_of(const std::filesystem::path& file) {
  std::filesystem::path folder = file.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

#if !defined(__linux__) && !defined(_WIN32)
// No notifications on this system: the clock alone.
std::unique_ptr<WatchSignal> notified_changes(const std::vector<std::filesystem::path>&) {
  return nullptr;
}
#endif

}  // namespace borgo::tools
