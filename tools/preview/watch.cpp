#include "tools/preview/watch.hpp"

#include <fstream>
#include <system_error>
#include <utility>

#include "tools/preview/build.hpp"

namespace borgo::tools {

namespace {

// A time this close to now may be shared by a later save of the same size.
constexpr auto kRecent = std::chrono::seconds(3);
// A larger description is not read by the build, which says so whatever
// its bytes: it is told by its size and time alone.
constexpr std::uintmax_t kLargestDigested = kLargestPreviewedDescription;

// FNV-1a over the file's bytes; nullopt when it cannot be read.
std::optional<std::uint64_t> digest_of(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::uint64_t hash = 14695981039346656037ull;
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      hash = (hash ^ static_cast<unsigned char>(block[i])) * 1099511628211ull;
    }
  }
  if (in.bad()) return std::nullopt;
  return hash;
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

std::vector<FileLook> look_at(const std::vector<std::filesystem::path>& files) {
  std::vector<FileLook> looks;
  looks.reserve(files.size());
  for (const std::filesystem::path& file : files) looks.push_back(look_at(file));
  return looks;
}

DescriptionWatcher::DescriptionWatcher(std::vector<std::filesystem::path> files,
                                       std::vector<FileLook> before,
                                       std::chrono::milliseconds interval,
                                       std::function<void()> on_change)
    : files_(std::move(files)), interval_(interval), on_change_(std::move(on_change)) {
  thread_ = std::thread([this, before = std::move(before)]() mutable { run(std::move(before)); });
}

DescriptionWatcher::~DescriptionWatcher() { stop(); }

void DescriptionWatcher::stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DescriptionWatcher::run(std::vector<FileLook> before) {
  Debounce debounce(std::move(before));
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
    lock.unlock();
    if (debounce.settled(look_at(files_))) on_change_();
    lock.lock();
  }
}

}  // namespace borgo::tools
