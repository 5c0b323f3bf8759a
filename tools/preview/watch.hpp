#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace borgo::tools {

// What a look at a file sees: whether it is there, its size and its
// modification time, which works alike on every platform and file system.
// A file's time is only as fine as its file system keeps it (a few
// milliseconds, or two seconds on FAT), so two saves of one size within one
// tick look alike: while its time is that recent, the look also takes a
// digest of the file's bytes. An older file is not read at all.
struct FileLook {
  bool present = false;
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified{};
  std::optional<std::uint64_t> digest;  // only while the time is recent

  // Alike when presence, size and time agree and, where both looks took a
  // digest, the digests do.
  bool operator==(const FileLook& other) const;
};

FileLook look_at(const std::filesystem::path& file);
std::vector<FileLook> look_at(const std::vector<std::filesystem::path>& files);

// Turns looks into changes: a change is told once the files, having changed,
// stay as they are for one more look, so that a save made of several writes
// (or a delete and a rename) is compiled once, and not half-way.
class Debounce {
 public:
  explicit Debounce(std::vector<FileLook> first) : seen_(std::move(first)) {}

  // The files as the latest look saw them; true when a change has settled.
  bool settled(const std::vector<FileLook>& now);

 private:
  std::vector<FileLook> seen_;
  bool changing_ = false;
};

// How often the preview looks at the descriptions: a change is built after
// two looks, so that the page hears of a save well within the fifth of a
// second an author waits for. A look costs two stat calls.
inline constexpr std::chrono::milliseconds kDescriptionLookInterval{25};

// Looks at `files` every `interval` on a thread of its own and calls
// `on_change` there each time a change has settled, a change from `before`
// included: looks taken before the files were first read, so that a save
// made while they were read and the watch started is not lost. Stops when
// destroyed.
class DescriptionWatcher {
 public:
  DescriptionWatcher(std::vector<std::filesystem::path> files, std::vector<FileLook> before,
                     std::chrono::milliseconds interval, std::function<void()> on_change);
  ~DescriptionWatcher();
  DescriptionWatcher(const DescriptionWatcher&) = delete;
  DescriptionWatcher& operator=(const DescriptionWatcher&) = delete;

  // Ends the looking; on_change is not called after this returns.
  void stop();

 private:
  void run(std::vector<FileLook> before);

  const std::vector<std::filesystem::path> files_;
  const std::chrono::milliseconds interval_;
  const std::function<void()> on_change_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace borgo::tools
