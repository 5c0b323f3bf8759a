// The preview's watch over the two descriptions: what a look sees, when a
// change counts as settled, and the watcher's thread.
#include "tools/preview/watch.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::tools {
namespace {

using borgo::testing::ScratchFolder;
using borgo::testing::spit;
using namespace std::chrono_literals;

// A save in one step, as editors that write a new file and rename it do: a
// busy machine cannot show the watcher a half-written file between a
// truncation and the write that follows it.
void save(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path saving = path;
  saving += ".saving";
  spit(saving, bytes);
  std::filesystem::rename(saving, path);
}

// Waits, a bounded while, for the watcher's first call.
void await_a_call(const std::atomic<int>& calls) {
  for (int i = 0; i < 1000 && calls == 0; ++i) std::this_thread::sleep_for(10ms);
}

// What the watcher's calls saw: the watched file's bytes at each call.
class SeenBytes {
 public:
  explicit SeenBytes(std::filesystem::path file) : file_(std::move(file)) {}

  void record() {
    std::string bytes =
        std::filesystem::exists(file_) ? borgo::testing::slurp(file_) : std::string(kAbsent);
    {
      const std::lock_guard lock(mutex_);
      seen_.push_back(std::move(bytes));
    }
    arrived_.notify_all();
  }

  // Waits, a bounded while, for a call that sees `bytes`; true once one has.
  bool await(std::string_view bytes) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, 5s, [&] {
      for (const std::string& seen : seen_) {
        if (seen == bytes) return true;
      }
      return false;
    });
  }

  std::vector<std::string> seen() {
    const std::lock_guard lock(mutex_);
    return seen_;
  }

  static constexpr std::string_view kAbsent = "(absent)";

 private:
  const std::filesystem::path file_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::string> seen_;
};

TEST(FileLook, SeesPresenceSizeAndModificationTime) {
  ScratchFolder folder;
  const auto file = folder / "a.txt";
  EXPECT_FALSE(look_at(file).present);
  spit(file, "abc");
  const FileLook first = look_at(file);
  EXPECT_TRUE(first.present);
  EXPECT_EQ(first.size, 3u);
  // The same size, a later time: a change all the same.
  std::filesystem::last_write_time(file, first.modified + 1s);
  EXPECT_NE(look_at(file), first);
}

// Two saves of one size within one tick of the file system's clock: the
// bytes tell them apart while the time is recent.
TEST(FileLook, TellsApartTwoRecentSavesOfOneSizeAndTime) {
  ScratchFolder folder;
  const auto file = folder / "a.txt";
  spit(file, "segnale, 1050");
  const FileLook first = look_at(file);
  ASSERT_TRUE(first.digest);
  spit(file, "segnale, 2050");
  std::filesystem::last_write_time(file, first.modified);
  EXPECT_NE(look_at(file), first);
  spit(file, "segnale, 1050");
  std::filesystem::last_write_time(file, first.modified);
  EXPECT_EQ(look_at(file), first);

  // An old file is not read: its size and time tell.
  const auto old = std::filesystem::file_time_type::clock::now() - 1h;
  std::filesystem::last_write_time(file, old);
  EXPECT_FALSE(look_at(file).digest);
}

// A change is told on the first look that finds the files as the look before
// found them, and once only.
TEST(Debounce, TellsAChangeOnceTheFilesHaveStayedAsTheyAre) {
  const FileLook a{true, 10, {}, std::nullopt};
  const FileLook b{true, 20, {}, std::nullopt};
  const FileLook c{true, 30, {}, std::nullopt};
  const FileLook a_again{true, 10, {}, 1};  // a recent save of a's size and time
  const FileLook a_other{true, 10, {}, 2};  // another, with other bytes
  const FileLook gone{};
  const struct {
    const char* what;
    std::vector<std::vector<FileLook>> looks;  // after the first, {a, a}
    std::vector<bool> told;
  } cases[] = {
      {"nothing changes", {{a, a}, {a, a}}, {false, false}},
      {"one change, then quiet", {{b, a}, {b, a}, {b, a}}, {false, true, false}},
      {"a save in several writes", {{b, a}, {c, a}, {c, a}}, {false, false, true}},
      {"both files", {{b, b}, {b, c}, {b, c}}, {false, false, true}},
      {"deleted, then written anew", {{gone, a}, {b, a}, {b, a}}, {false, false, true}},
      {"two changes apart", {{b, a}, {b, a}, {c, a}, {c, a}}, {false, true, false, true}},
      {"other bytes, one size and time",
       {{a_again, a}, {a_other, a}, {a_other, a}},
       {false, false, true}},
      {"the same bytes, digested or not", {{a_again, a}, {a, a}}, {false, false}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    Debounce debounce({a, a});
    ASSERT_EQ(test.looks.size(), test.told.size());
    for (std::size_t i = 0; i < test.looks.size(); ++i) {
      EXPECT_EQ(debounce.settled(test.looks[i]), test.told[i]) << "look " << i + 1;
    }
  }
}

// What the system tells settles nothing by itself: a change is built only
// after a quiet interval in which the files stayed as the last look found them.
TEST(Debounce, SettlesOnlyAfterAQuietLook) {
  const FileLook a{true, 10, {}, std::nullopt};
  const FileLook b{true, 20, {}, std::nullopt};
  const FileLook c{true, 30, {}, std::nullopt};
  struct Step {
    bool told;  // a look after a notification, or after a quiet interval
    FileLook train;
    bool settles;
  };
  const struct {
    const char* what;
    std::vector<Step> steps;  // after the first look, {a}
  } cases[] = {
      {"told, then quiet", {{true, b, false}, {false, b, true}, {false, b, false}}},
      {"a second write told before the quiet",
       {{true, b, false}, {true, c, false}, {false, c, true}}},
      {"told again with nothing new", {{true, b, false}, {true, b, false}, {false, b, true}}},
      {"told, but nothing changed", {{true, a, false}, {false, a, false}}},
      {"changed again after the quiet look",
       {{true, b, false}, {false, c, false}, {false, c, true}}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    Debounce debounce({a});
    for (std::size_t i = 0; i < test.steps.size(); ++i) {
      const Step& step = test.steps[i];
      if (step.told) {
        debounce.disturbed({step.train});
        EXPECT_FALSE(step.settles) << "a told look never settles, step " << i + 1;
      } else {
        EXPECT_EQ(debounce.settled({step.train}), step.settles) << "step " << i + 1;
      }
    }
  }
}

TEST(DescriptionWatcher, CallsOnceForASaveAndNeverAfterStop) {
  ScratchFolder folder;
  const auto line = folder / "line.txt";
  const auto train = folder / "train.txt";
  spit(line, "one");
  spit(train, "one");
  std::atomic<int> calls = 0;
  DescriptionWatcher watcher({line, train}, look_at({line, train}), 10ms, [&] { ++calls; });
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(calls, 0) << "nothing changed";

  save(train, "two, longer");
  await_a_call(calls);
  EXPECT_EQ(calls, 1);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(calls, 1) << "one save, one call";

  watcher.stop();
  spit(line, "three, longer still");
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(calls, 1);
}

// A save made after the first read but before the watch began is a change.
TEST(DescriptionWatcher, SeesASaveMadeBeforeItBegan) {
  ScratchFolder folder;
  const auto train = folder / "train.txt";
  spit(train, "one");
  const std::vector<FileLook> before = look_at(std::vector{train});
  spit(train, "two, longer");
  std::atomic<int> calls = 0;
  DescriptionWatcher watcher({train}, before, 10ms, [&] { ++calls; });
  await_a_call(calls);
  EXPECT_EQ(calls, 1);
}

// How the watch is woken: the system's notifications (with a clock too slow
// ever to see a save, so that only a notification can), or the clock alone.
struct WakeCase {
  const char* name;
  DescriptionWatcher::Wakes wakes;
  std::chrono::milliseconds interval;
  bool notified;
};

class WatcherWakes : public ::testing::TestWithParam<WakeCase> {};

INSTANTIATE_TEST_SUITE_P(
    DescriptionWatcher, WatcherWakes,
    ::testing::Values(WakeCase{"Notified", DescriptionWatcher::Wakes::kNotifiedWherePossible, 1h,
                               true},
                      WakeCase{"Polling", DescriptionWatcher::Wakes::kPolling, 10ms, false}),
    [](const ::testing::TestParamInfo<WakeCase>& info) { return info.param.name; });

// Each way an editor saves is seen, once, with the whole of its bytes.
TEST_P(WatcherWakes, BuildsEachSaveOnceWithItsWholeBytes) {
  ScratchFolder folder;
  const auto line = folder / "line.txt";
  const auto train = folder / "train.txt";
  spit(line, "line");
  spit(train, "one");
  SeenBytes calls(train);
  DescriptionWatcher watcher(
      {line, train}, look_at({line, train}), GetParam().interval, [&] { calls.record(); },
      GetParam().wakes);
  ASSERT_EQ(watcher.notified(), GetParam().notified);

  // A write in place truncates the file first: the clock may catch it empty,
  // and build that, on a busy machine; the system tells of it once closed.
  const auto in_place = [](const std::filesystem::path& path, std::string_view bytes) {
    spit(path, bytes);
  };
  const struct {
    const char* how;
    void (*save)(const std::filesystem::path&, std::string_view);
    std::string bytes;
    bool told_only;  // whole only where the system tells
  } saves[] = {
      {"written in place", in_place, "two, in place", true},
      {"renamed over it", save, "three, by rename", false},
      {"deleted, then renamed into place",
       [](const std::filesystem::path& path, std::string_view bytes) {
         std::filesystem::remove(path);
         save(path, bytes);
       },
       "four, anew", false},
      // The same size: only the time and the bytes differ.
      {"in place, one size", in_place, "FOUR, ANEW", true},
  };
  std::vector<std::string> expected;
  for (const auto& s : saves) {
    if (s.told_only && !GetParam().notified) continue;
    SCOPED_TRACE(s.how);
    s.save(train, s.bytes);
    expected.push_back(s.bytes);
    ASSERT_TRUE(calls.await(s.bytes));
  }
  // Another file in the folder is not a description.
  spit(folder / "notes.txt", "not watched");
  save(train, "five");
  expected.push_back("five");
  ASSERT_TRUE(calls.await("five"));
  // A pause between a delete and the rename that follows may rightly be
  // built as the file missing; nothing else may be built but the saves.
  std::vector<std::string> seen = calls.seen();
  std::erase(seen, std::string(SeenBytes::kAbsent));
  EXPECT_EQ(seen, expected);
}

// stop() ends even a wait that nothing would end for an hour.
TEST_P(WatcherWakes, StopsAtOnce) {
  ScratchFolder folder;
  const auto train = folder / "train.txt";
  spit(train, "one");
  std::atomic<int> calls = 0;
  DescriptionWatcher watcher(
      {train}, look_at(std::vector{train}), 1h, [&] { ++calls; }, GetParam().wakes);
  auto stopped = std::async(std::launch::async, [&] { watcher.stop(); });
  EXPECT_EQ(stopped.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(calls, 0);
}

#ifndef _WIN32
// A save written in pieces into the open file is told when the file is
// closed, not while the editor pauses between pieces (Windows tells of writes
// as they happen, and the clock sees them too, so this holds only here).
TEST(DescriptionWatcher, BuildsASaveWrittenInPiecesOnceWhole) {
  ScratchFolder folder;
  const auto train = folder / "train.txt";
  spit(train, "one");
  SeenBytes calls(train);
  DescriptionWatcher watcher({train}, look_at(std::vector{train}), 1h, [&] { calls.record(); });
  ASSERT_TRUE(watcher.notified());
  {
    std::ofstream out(train, std::ios::binary | std::ios::trunc);
    out << "segnale,    10";
    ASSERT_TRUE(out.flush());
    // Many settle intervals: long enough for a half-written file to be built
    // were the writes themselves told.
    std::this_thread::sleep_for(10 * kSettleInterval);
    out << "50, whole";
    ASSERT_TRUE(out.flush());
  }
  ASSERT_TRUE(calls.await("segnale,    1050, whole"));
  save(train, "after");
  ASSERT_TRUE(calls.await("after"));
  EXPECT_EQ(calls.seen(), (std::vector<std::string>{"segnale,    1050, whole", "after"}));
}
#endif

// Where notifications cannot be had, or are refused, the clock sees the saves.
TEST(DescriptionWatcher, FallsBackToTheClock) {
  const struct {
    const char* what;
    DescriptionWatcher::Wakes wakes;
    bool folder_at_start;
  } cases[] = {
      {"asked for", DescriptionWatcher::Wakes::kPolling, true},
      {"the folder missing at the start", DescriptionWatcher::Wakes::kNotifiedWherePossible, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    ScratchFolder scratch;
    const auto folder = scratch / "scenario";
    const auto train = folder / "train.txt";
    if (test.folder_at_start) std::filesystem::create_directory(folder);
    SeenBytes calls(train);
    DescriptionWatcher watcher(
        {train}, look_at(std::vector{train}), 10ms, [&] { calls.record(); }, test.wakes);
    EXPECT_FALSE(watcher.notified());
    std::filesystem::create_directories(folder);
    save(train, "written");
    EXPECT_TRUE(calls.await("written"));
  }
}

#ifndef _WIN32
// The folder removed ends its notifications: the clock takes over, and sees
// the folder and the description made again. (Windows keeps a folder that
// the watch holds open from going until the watch lets go.)
TEST(DescriptionWatcher, TakesToTheClockWhenTheFolderGoes) {
  ScratchFolder scratch;
  const auto folder = scratch / "scenario";
  const auto train = folder / "train.txt";
  std::filesystem::create_directory(folder);
  spit(train, "one");
  SeenBytes calls(train);
  DescriptionWatcher watcher({train}, look_at(std::vector{train}), 10ms, [&] { calls.record(); });
  ASSERT_TRUE(watcher.notified());
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(calls.await(SeenBytes::kAbsent));
  // The folder's own removal is told after its files', perhaps after their
  // change was built.
  for (int i = 0; i < 5000 && watcher.notified(); ++i) std::this_thread::sleep_for(1ms);
  EXPECT_FALSE(watcher.notified());
  std::filesystem::create_directory(folder);
  save(train, "made again");
  EXPECT_TRUE(calls.await("made again"));
}
#endif

}  // namespace
}  // namespace borgo::tools
