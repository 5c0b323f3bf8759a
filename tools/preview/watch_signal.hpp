#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace borgo::tools {

// What wakes the watch over the descriptions: the system telling of a change
// in their folders, or, where it cannot, a clock. The watch looks at the
// files themselves whatever woke it; a signal only says when to look.
class WatchSignal {
 public:
  enum class Wake {
    kTold,      // the system told of a change to a file: a look is due
    kTimedOut,  // the wait's time ran out, nothing told (with the clock, every wait)
    kLost,      // the system stopped telling (a folder gone): another signal must take over
    kStopped,   // stop() was called; every later wait says so too
  };

  virtual ~WatchSignal() = default;

  // Waits for a reason to look, at most `timeout` when there is one. Called
  // from one thread at a time.
  virtual Wake wait(std::optional<std::chrono::milliseconds> timeout) = 0;
  // Ends the current wait, and every later one, at once; from any thread.
  virtual void stop() = 0;
  // True when the system tells of changes, false for the clock.
  virtual bool notified() const = 0;
};

// The system's notifications of changes to `files` (their folders watched for
// the files' names), or null where they cannot be had: no such service, a
// folder missing, or the system's limit on watches reached.
std::unique_ptr<WatchSignal> notified_changes(const std::vector<std::filesystem::path>& files);

// The fallback: tells nothing, and every wait times out after `interval`,
// whatever timeout it asked for.
std::unique_ptr<WatchSignal> polled_changes(std::chrono::milliseconds interval);

// The folder a file lies in, "." for a bare name.
std::filesystem::path folder_of(const std::filesystem::path& file);

}  // namespace borgo::tools
