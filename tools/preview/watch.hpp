#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
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
  // The files as a look saw them right after the system told of a change to
  // them: never settled, since more writes may follow; a change when the
  // look differs.
  void disturbed(const std::vector<FileLook>& now);
  // A change has been seen and has not settled yet.
  bool changing() const { return changing_; }

 private:
  std::vector<FileLook> seen_;
  bool changing_ = false;
};

// How often the preview looks at the descriptions where the system cannot
// tell it of changes: a change is built after two looks, so that the page
// hears of a save well within the fifth of a second an author waits for. A
// look costs two stat calls.
inline constexpr std::chrono::milliseconds kDescriptionLookInterval{25};

// Where the system tells of changes, how long the files must stay as a look
// found them, no change told meanwhile, for the change to be built: long
// enough for the writes of one save to follow each other, short beside the
// build.
inline constexpr std::chrono::milliseconds kSettleInterval{6};

class WatchSignal;

// Calls `on_change` on a thread of its own each time a change of `files` has
// settled, a change from `before` included: looks taken before the files were
// first read, so that a save made while they were read and the watch started
// is not lost. The system's notifications of changes to the files' folders
// wake it where they can be had; otherwise, or once they stop (a folder
// removed), it looks every `interval`. Stops when destroyed.
class DescriptionWatcher {
 public:
  enum class Wakes {
    kNotifiedWherePossible,  // the system's notifications, the clock where there are none
    kPolling,                // the clock alone
  };

  DescriptionWatcher(std::vector<std::filesystem::path> files, std::vector<FileLook> before,
                     std::chrono::milliseconds interval, std::function<void()> on_change,
                     Wakes wakes = Wakes::kNotifiedWherePossible);
  ~DescriptionWatcher();
  DescriptionWatcher(const DescriptionWatcher&) = delete;
  DescriptionWatcher& operator=(const DescriptionWatcher&) = delete;

  // Ends the watch; on_change is not called after this returns.
  void stop();
  // Whether the system's notifications wake the watch now, rather than the clock.
  bool notified() const;

 private:
  void run(Debounce debounce);
  enum class Look { kTold, kQuiet, kStop };
  // Waits for the next look: told of a change, or after a quiet interval.
  // The clock takes over when the notifications end.
  Look await_look(bool settling);

  const std::vector<std::filesystem::path> files_;
  const std::chrono::milliseconds interval_;
  const std::function<void()> on_change_;
  mutable std::mutex mutex_;
  std::shared_ptr<WatchSignal> signal_;  // replaced only under mutex_
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace borgo::tools
