// The preview's watch over the two descriptions: what a look sees, when a
// change counts as settled, and the watcher's thread.
#include "tools/preview/watch.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
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

}  // namespace
}  // namespace borgo::tools
