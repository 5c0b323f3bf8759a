// A folder for one process at a time, through the system's own locking.
#include "storage/folder_lock.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "storage/file_error.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::storage {
namespace {

using namespace std::chrono_literals;
using borgo::testing::ScratchFolder;

// Each lock opens the folder anew, so two locks in one process exclude each
// other as two processes do.
TEST(FolderLock, ASecondLockWaitsUntilTheFirstIsReleased) {
  ScratchFolder folder;
  std::optional<FolderLock> first(std::in_place, folder.path(), 0ms);
  std::atomic<bool> released{false};
  std::thread releaser([&] {
    std::this_thread::sleep_for(200ms);
    released = true;
    first.reset();
  });
  {
    const FolderLock second(folder.path(), 60s);
    EXPECT_TRUE(released) << "the second lock was taken while the first was held";
  }
  releaser.join();
}

TEST(FolderLock, GivesUpAfterItsWaitLimitNamingTheFolder) {
  ScratchFolder folder;
  const FolderLock first(folder.path(), 0ms);
  try {
    const FolderLock second(folder.path(), 100ms);
    ADD_FAILURE() << "a held folder was taken";
  } catch (const FileError& failure) {
    EXPECT_EQ(failure.path(), folder.path());
    EXPECT_EQ(failure.reason(), "held by another process for longer than 100 ms");
  }
}

// Released when it goes, and no lock file stays behind (on Linux none is
// ever made).
TEST(FolderLock, IsReleasedOnDestructionAndLeavesNoFile) {
  ScratchFolder folder;
  {
    const FolderLock first(folder.path(), 0ms);
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
#endif
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
  EXPECT_NO_THROW(FolderLock(folder.path(), 0ms));
}

TEST(FolderLock, AMissingFolderIsAFileErrorNamingIt) {
  ScratchFolder folder;
  try {
    const FolderLock lock(folder / "missing", 60s);
    ADD_FAILURE() << "a missing folder was taken";
  } catch (const FileError& failure) {
    EXPECT_EQ(failure.path(), folder / "missing");
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

}  // namespace
}  // namespace borgo::storage
