#include "tools/preview/watch.hpp"

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>

#include "storage/read_file.hpp"
#include "tools/preview/build.hpp"
#include "tools/preview/watch_signal.hpp"

namespace borgo::tools {

namespace {

// A time this close to now may be shared by a later save of the same size.
constexpr auto kRecent = std::chrono::seconds(3);
// A larger description is not read by the build, which says so whatever
// its bytes: it is told by its size and time alone.
constexpr std::uintmax_t kLargestDigested = kLargestPreviewedDescription;

// FNV-1a over the file's bytes; nullopt when it cannot be read. Read as the
// build reads it, so that a save deleting it meanwhile still succeeds.
std::optional<std::uint64_t> digest_of(const std::filesystem::path& file) {
  try {
    const storage::FileReader in(file);
    if (in.size() > kLargestDigested) return std::nullopt;
    std::uint64_t hash = 14695981039346656037ull;
    constexpr std::uint64_t kBlock = 1 << 16;
    for (std::uint64_t at = 0; at < in.size(); at += kBlock) {
      const std::string block =
          in.read_at(at, static_cast<std::size_t>(std::min(kBlock, in.size() - at)));
      for (const char c : block) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return hash;
  } catch (const storage::FileError&) {
    return std::nullopt;
  }
}

}  // namespace

bool FileLook::operator==(const FileLook& other) const {
  return present == other.present && size == other.size && modified == other.modified &&
         (!digest || !other.digest || *digest == *other.digest);
}

FileLook look_at(const std::filesystem::path& file) {
  // A file that cannot be looked at (being replaced, say) is taken as absent
  // for this look: the next one sees it again, and the change then settles.
  std::error_code failed;
  const std::uintmax_t size = std::filesystem::file_size(file, failed);
  if (failed) return {};
  const std::filesystem::file_time_type modified = std::filesystem::last_write_time(file, failed);
  if (failed) return {};
  FileLook look{true, size, modified, std::nullopt};
  const auto age = std::filesystem::file_time_type::clock::now() - modified;
  if (age < kRecent && size <= kLargestDigested) look.digest = digest_of(file);
  return look;
}

bool Debounce::settled(const std::vector<FileLook>& now) {
  if (now != seen_) {
    seen_ = now;
    changing_ = true;
    return false;
  }
  seen_ = now;  // the latest look carries the digests to compare with next
  const bool was_changing = changing_;
  changing_ = false;
  return was_changing;
}

void Debounce::disturbed(const std::vector<FileLook>& now) {
  if (now != seen_) changing_ = true;
  seen_ = now;
}

std::vector<FileLook> look_at(const std::vector<std::filesystem::path>& files) {
  std::vector<FileLook> looks;
  looks.reserve(files.size());
  for (const std::filesystem::path& file : files) looks.push_back(look_at(file));
  return looks;
}

DescriptionWatcher::DescriptionWatcher(std::vector<std::filesystem::path> files,
                                       std::vector<FileLook> before,
                                       std::chrono::milliseconds interval,
                                       std::function<void()> on_change, Wakes wakes)
    : files_(std::move(files)), interval_(interval), on_change_(std::move(on_change)) {
  // Set up before the first look, so that a save after that look is told.
  if (wakes == Wakes::kNotifiedWherePossible) signal_ = notified_changes(files_);
  if (!signal_) signal_ = polled_changes(interval_);
  // A save since `before` is a change from the start. Looked at here, so
  // that what is written once the watcher exists is told, not found by this
  // look part-way.
  Debounce debounce(std::move(before));
  debounce.disturbed(look_at(files_));
  thread_ =
      std::thread([this, debounce = std::move(debounce)]() mutable { run(std::move(debounce)); });
}

DescriptionWatcher::~DescriptionWatcher() { stop(); }

void DescriptionWatcher::stop() {
  std::shared_ptr<WatchSignal> signal;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    signal = signal_;
  }
  signal->stop();
  if (thread_.joinable()) thread_.join();
}

bool DescriptionWatcher::notified() const {
  const std::lock_guard lock(mutex_);
  return signal_->notified();
}

DescriptionWatcher::Look DescriptionWatcher::await_look(bool settling) {
  std::shared_ptr<WatchSignal> signal;
  {
    const std::lock_guard lock(mutex_);
    if (stopping_) return Look::kStop;
    signal = signal_;
  }
  // The clock's waits are all of one interval, and a change settles over one.
  const std::optional<std::chrono::milliseconds> timeout =
      settling ? std::optional(kSettleInterval) : std::nullopt;
  switch (signal->wait(timeout)) {
    case WatchSignal::Wake::kTold:
      return Look::kTold;
    case WatchSignal::Wake::kTimedOut:
      return Look::kQuiet;
    case WatchSignal::Wake::kLost: {
      const std::lock_guard lock(mutex_);
      if (stopping_) return Look::kStop;
      signal_ = polled_changes(interval_);
      // What ended the notifications (the folder removed, say) may have changed the files.
      return Look::kTold;
    }
    case WatchSignal::Wake::kStopped:
      break;
  }
  return Look::kStop;
}

void DescriptionWatcher::run(Debounce debounce) {
  for (;;) {
    switch (await_look(debounce.changing())) {
      case Look::kTold:
        debounce.disturbed(look_at(files_));
        break;
      case Look::kQuiet:
        if (debounce.settled(look_at(files_))) on_change_();
        break;
      case Look::kStop:
        return;
    }
  }
}

}  // namespace borgo::tools
