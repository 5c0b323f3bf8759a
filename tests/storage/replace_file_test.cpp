// Replacing a file: the complete new bytes or the complete old file, never
// anything in between, and no temporary file left on any path.
#include "storage/replace_file.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "storage/file_error.hpp"
#include "tests/support/disk_faults.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    bool small = false;  // a file whose space is not reserved before its one write
  };
  const Case cases[] = {
      {DiskFault::kReadOnlyFolder, false},    {DiskFault::kReadOnlyFolder, true},
      {DiskFault::kDirectoryInTheWay, false}, {DiskFault::kDiskFull, false},
      {DiskFault::kDiskFull, true},           {DiskFault::kDiskFull, false, true},
      {DiskFault::kDiskFull, true, true},     {DiskFault::kRenameFails, false},
      {DiskFault::kRenameFails, true},        {DiskFault::kReadOnlyFile, true},
  };
  const std::string large = new_bytes();
  const std::string small = large.substr(0, 20000);
  for (const Case& c : cases) {
    const std::string& bytes = c.small ? small : large;
    SCOPED_TRACE(std::string(borgo::testing::fault_name(c.fault)) +
                 (c.old_file ? ", over an old file" : ", no old file") +
                 (c.small ? ", a small file" : ""));
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

// The temporary file's name does not grow with the target's: a file under
// the longest name the file system takes is replaced like any other.
TEST(ReplaceFile, ReplacesAFileUnderTheLongestNameTheFileSystemTakes) {
  ScratchFolder folder;
  const std::string name = std::string(251, 'd') + ".txt";
  try {
    spit(folder / name, "old\r\n");
  } catch (const std::exception& refused) {
    GTEST_SKIP() << "this file system takes no name of 255 characters: " << refused.what();
  }
  replace_file(folder / name, "new\r\n");
  const std::map<std::string, std::string> expected = {{name, "new\r\n"}};
  EXPECT_EQ(folder_entries(folder.path()), expected);
}

// The new file keeps the permissions the user set on the old one; a file
// without write permission for its owner is not replaced at all. A program
// where there was none may be run.
TEST(ReplaceFile, KeepsTheOldFilesPermissionsAndRefusesAReadOnlyFile) {
  namespace fs = std::filesystem;
  struct Case {
    std::optional<fs::perms> old_perms;  // nullopt: no old file
    bool read_only;
    FileKind kind = FileKind::kData;
  };
  const Case cases[] = {
      {std::nullopt, false},
      {std::nullopt, false, FileKind::kProgram},
      {static_cast<fs::perms>(0640), false, FileKind::kProgram},
      {static_cast<fs::perms>(0600), false},
      {static_cast<fs::perms>(0640), false},
      {static_cast<fs::perms>(0755), false},
      {static_cast<fs::perms>(0444), true},
      {static_cast<fs::perms>(0400), true},
      {static_cast<fs::perms>(0464), true},  // the group may write, its owner not
  };
  for (const Case& c : cases) {
    char octal[16] = "no old file";
    if (c.old_perms) std::snprintf(octal, sizeof octal, "old file %o", unsigned(*c.old_perms));
    SCOPED_TRACE(octal);
    SCOPED_TRACE(c.kind == FileKind::kProgram ? "a program" : "data");
    ScratchFolder folder;
    const fs::path target = folder / "doc.txt";
    if (c.old_perms) {
      spit(target, "old\r\n");
      fs::permissions(target, *c.old_perms);
    }
    if (c.read_only) {
      try {
        replace_file(target, "new\r\n");
        ADD_FAILURE() << "a read-only file was replaced";
      } catch (const FileError& failure) {
        EXPECT_EQ(failure.path(), target);
        EXPECT_NE(failure.reason().find("read-only"), std::string::npos) << failure.reason();
      }
      const std::map<std::string, std::string> unchanged = {{"doc.txt", "old\r\n"}};
      EXPECT_EQ(folder_entries(folder.path()), unchanged);
#ifndef _WIN32
      EXPECT_EQ(fs::status(target).permissions(), *c.old_perms);
#endif
      fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
      continue;
    }
    replace_file(target, BytesContent("new\r\n"), c.kind);
    EXPECT_EQ(slurp(target), "new\r\n");
#ifndef _WIN32
    const mode_t umask = ::umask(0);
    ::umask(umask);
    const mode_t created = c.kind == FileKind::kProgram ? 0777 : 0666;
    const fs::perms expected =
        c.old_perms ? *c.old_perms : static_cast<fs::perms>(created & ~umask);
    EXPECT_EQ(fs::status(target).permissions(), expected);
#endif
  }
}

// Sets where the temporary files' names come from, and gives the system's
// source back at the end.
class NameSource {
 public:
  explicit NameSource(TemporaryNameSource source) { set_temporary_name_source(std::move(source)); }
  ~NameSource() { set_temporary_name_source(nullptr); }
  NameSource(const NameSource&) = delete;
  NameSource& operator=(const NameSource&) = delete;
};

// Each entry of a folder by name: a file's bytes, "-> " and a link's target,
// or the kind of anything else. Unlike folder_entries it opens no FIFO.
std::map<std::string, std::string> entry_kinds(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> entries;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const fs::file_status status = entry.symlink_status();
    std::string& held = entries[entry.path().filename().string()];
    if (fs::is_symlink(status)) {
      held = "-> " + fs::read_symlink(entry.path()).string();
    } else if (fs::is_regular_file(status)) {
      held = slurp(entry.path());
    } else if (fs::is_directory(status)) {
      held = "<directory>";
    } else if (fs::is_fifo(status)) {
      held = "<fifo>";
    } else {
      held = "<other>";
    }
  }
  return entries;
}

// Whatever stands under the first name a replacement tries (another's file,
// a link to a file outside the folder or to nothing, a FIFO with a reader)
// is never written through: it stays as it was, nothing outside the folder
// changes, and the replacement takes the next name.
TEST(ReplaceFile, WhatIsPlantedAtATemporaryNameIsNeverWrittenThrough) {
  namespace fs = std::filesystem;
  constexpr std::uint64_t kFirst = 0x5eed;
  struct Case {
    const char* name;
    std::function<void(const fs::path& at, const fs::path& outside)> plant;
  };
  std::vector<Case> cases = {
      {"another's file", [](const fs::path& at, const fs::path&) { spit(at, "another's\r\n"); }},
  };
#ifndef _WIN32
  cases.push_back({"a link to a file outside", [](const fs::path& at, const fs::path& outside) {
                     fs::create_symlink(outside / "victim.txt", at);
                   }});
  cases.push_back({"a link to nothing", [](const fs::path& at, const fs::path& outside) {
                     fs::create_symlink(outside / "nothing.txt", at);
                   }});
  cases.push_back({"a FIFO", [](const fs::path& at, const fs::path&) {
                     ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0) << std::strerror(errno);
                   }});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    ScratchFolder outside;
    spit(outside / "victim.txt", "outside\r\n");
    spit(folder / "doc.txt", "old\r\n");
    const fs::path planted = folder / temporary_file_name(kFirst);
    c.plant(planted, outside.path());
#ifndef _WIN32
    // A reader on the FIFO, so that a writer opening it would go on (and
    // be seen) instead of waiting for one.
    const int reader = fs::is_fifo(fs::symlink_status(planted))
                           ? ::open(planted.c_str(), O_RDONLY | O_NONBLOCK)
                           : -1;
#endif
    std::map<std::string, std::string> expected = entry_kinds(folder.path());
    {
      std::uint64_t next = kFirst;
      const NameSource names([&next] { return next++; });
      replace_file(folder / "doc.txt", "new\r\n");
    }
#ifndef _WIN32
    if (reader >= 0) ::close(reader);
#endif
    expected["doc.txt"] = "new\r\n";
    EXPECT_EQ(entry_kinds(folder.path()), expected);
    const std::map<std::string, std::string> untouched = {{"victim.txt", "outside\r\n"}};
    EXPECT_EQ(entry_kinds(outside.path()), untouched);
  }
}

// When every name tried is taken the replacement fails, naming the file it
// was to replace (never the temporary one), and changes nothing.
TEST(ReplaceFile, GivesUpNamingTheTargetWhenEveryNameTriedIsTaken) {
  ScratchFolder folder;
  const std::filesystem::path target = folder / "doc.txt";
  spit(target, "old\r\n");
  spit(folder / temporary_file_name(7), "another's\r\n");
  const auto before = folder_entries(folder.path());
  {
    const NameSource names([] { return std::uint64_t{7}; });
    try {
      replace_file(target, "new\r\n");
      ADD_FAILURE() << "replace_file did not fail";
    } catch (const FileError& failure) {
      EXPECT_EQ(failure.path(), target);
      EXPECT_EQ(std::string(failure.what()).find(temporary_file_name(7)), std::string::npos)
          << failure.what();
    }
  }
  EXPECT_EQ(folder_entries(folder.path()), before);
}

// Only what a killed replacement can have left goes: entries named exactly
// as the temporary files are, that are files or links (the link goes, what
// it points to stays). Names that only resemble the pattern, and entries of
// any other kind, stay.
TEST(RemoveStaleTemporaries, RemovesOnlyWhatAKilledReplacementCanHaveLeft) {
  namespace fs = std::filesystem;
  enum class Kind { kFile, kLink, kDirectory, kFifo };
  struct Case {
    std::string name;
    Kind kind;
    bool removed;
  };
  std::vector<Case> cases = {
      {temporary_file_name(0xfedcba9876543210), Kind::kFile, true},
      {"borgo-0123456789abcdef.tmp", Kind::kFile, true},
      {"borgo-2222222222222222.tmp", Kind::kDirectory, false},
      {"borgo-ABCDEF0123456789.tmp", Kind::kFile, false},
      {"borgo-3333333333333333.TMP", Kind::kFile, false},
      {"Borgo-4444444444444444.tmp", Kind::kFile, false},
      {"borgo-555555555555555.tmp", Kind::kFile, false},
      {"borgo-66666666666666666.tmp", Kind::kFile, false},
      {"borgo-777777777777777g.tmp", Kind::kFile, false},
      {"borgo-8888888888888888.tmp.txt", Kind::kFile, false},
      {"xborgo-9999999999999999.tmp", Kind::kFile, false},
      {"borgo-aaaaaaaaaaaaaaaa", Kind::kFile, false},
      {"doc.txt", Kind::kFile, false},
  };
#ifndef _WIN32
  cases.push_back({"borgo-0000000000000001.tmp", Kind::kLink, true});
  cases.push_back({"borgo-0000000000000003.tmp", Kind::kFifo, false});
#endif
  ScratchFolder folder;
  ScratchFolder outside;
  spit(outside / "victim.txt", "outside\r\n");
  for (const Case& c : cases) {
    const fs::path at = folder / c.name;
    switch (c.kind) {
      case Kind::kFile:
        spit(at, "left\r\n");
        break;
      case Kind::kLink:
        fs::create_symlink(outside / "victim.txt", at);
        break;
      case Kind::kDirectory:
        fs::create_directory(at);
        spit(at / "inside.txt", "kept\r\n");
        break;
      case Kind::kFifo:
#ifndef _WIN32
        ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0) << std::strerror(errno);
#endif
        break;
    }
  }
  remove_stale_temporaries(folder.path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fs::exists(fs::symlink_status(folder / c.name)), !c.removed);
    // The name alone tells which files go.
    if (c.kind == Kind::kFile) {
      EXPECT_EQ(is_temporary_file_name(c.name), c.removed);
    }
  }
  EXPECT_EQ(slurp(outside / "victim.txt"), "outside\r\n");
  EXPECT_EQ(slurp(folder / "borgo-2222222222222222.tmp" / "inside.txt"), "kept\r\n");
}

}  // namespace
}  // namespace borgo::storage
