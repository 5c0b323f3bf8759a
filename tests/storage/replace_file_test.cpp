// Replacing a file: the complete new bytes or the complete old file, never
// anything in between, and no temporary file left on any path.
#include "storage/replace_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "storage/file_error.hpp"
#include "tests/support/disk_faults.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::storage {
namespace {

using borgo::testing::DiskFault;
using borgo::testing::DiskFaultInjector;
using borgo::testing::FaultFolder;
using borgo::testing::folder_entries;
using borgo::testing::ScratchFolder;
using borgo::testing::slurp;
using borgo::testing::spit;

// Large enough that a full disk cannot take it into the stream's buffer alone.
std::string new_bytes() {
  std::string bytes;
  for (int i = 0; bytes.size() < 200000; ++i) bytes += "row " + std::to_string(i) + "\r\n";
  return bytes;
}

TEST(ReplaceFile, LeavesExactlyTheNewBytesAndNothingElse) {
  struct Case {
    const char* name;
    std::optional<std::string> old_bytes;
    std::string bytes;
  };
  const Case cases[] = {
      {"no old file", std::nullopt, "a\r\nb\r\n"},
      {"a longer old file", std::string(5000, 'z'), "a\r\nb\r\n"},
      {"a shorter old file", "z", new_bytes()},
      {"no bytes at all", "old", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    spit(folder / "other.txt", "beside");
    if (c.old_bytes) spit(folder / "doc.txt", *c.old_bytes);
    replace_file(folder / "doc.txt", c.bytes);
    const std::map<std::string, std::string> expected = {{"doc.txt", c.bytes},
                                                         {"other.txt", "beside"}};
    EXPECT_EQ(folder_entries(folder.path()), expected);
  }
}

// Every fault of the disk ends in a FileError naming the file, with the
// folder exactly as it was: the old file (or the directory) intact, its
// neighbour untouched, no temporary file.
TEST(ReplaceFile, AFaultOfTheDiskLeavesTheFolderAsItWas) {
  struct Case {
    DiskFault fault;
    bool old_file;
  };
  const Case cases[] = {
      {DiskFault::kReadOnlyFolder, false},    {DiskFault::kReadOnlyFolder, true},
      {DiskFault::kDirectoryInTheWay, false}, {DiskFault::kDiskFull, false},
      {DiskFault::kDiskFull, true},           {DiskFault::kRenameFails, false},
      {DiskFault::kRenameFails, true},
  };
  const std::string bytes = new_bytes();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(borgo::testing::fault_name(c.fault)) +
                 (c.old_file ? ", over an old file" : ", no old file"));
    const FaultFolder folder(c.fault, 4);
    const std::filesystem::path target = folder / "doc.txt";
    spit(folder / "other.txt", "beside");
    if (c.old_file) spit(target, "the old file\r\n");
    if (c.fault == DiskFault::kDirectoryInTheWay) testing::put_directory_in_the_way(target);
    const auto before = folder_entries(folder.path());
    {
      DiskFaultInjector injector(c.fault, target, folder.filler());
      try {
        replace_file(target, bytes);
        ADD_FAILURE() << "replace_file did not fail";
      } catch (const storage::FileError& failure) {
        EXPECT_EQ(failure.path(), target);
        EXPECT_FALSE(failure.reason().empty());
        EXPECT_NE(std::string(failure.what()).find(target.string()), std::string::npos);
      }
      EXPECT_TRUE(injector.struck());
      SCOPED_TRACE(injector.how());
      EXPECT_EQ(testing::entry_differences(folder_entries(folder.path()), before), "");
    }
    // With the fault gone, the same folder takes the file.
    if (c.fault != DiskFault::kDirectoryInTheWay && c.fault != DiskFault::kDiskFull) {
      replace_file(target, bytes);
      EXPECT_EQ(slurp(target), bytes);
    }
  }
}

}  // namespace
}  // namespace borgo::storage
