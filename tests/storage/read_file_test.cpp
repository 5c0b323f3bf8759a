// Reading a whole file, or pieces of one: only a regular file is read, and
// nothing makes the reading wait.
#include "storage/read_file.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <vector>

#include "storage/file_error.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace borgo::storage {
namespace {

using borgo::testing::ScratchFolder;
using borgo::testing::spit;
using borgo::testing::spit_around_hole;

TEST(ReadFile, ReadsEveryByteOfARegularFile) {
  ScratchFolder folder;
  std::string bytes("a\0b\r\n", 5);
  while (bytes.size() < 200000) bytes += bytes;
  for (const std::string& content : {std::string(), bytes}) {
    SCOPED_TRACE(content.size());
    spit(folder / "doc.txt", content);
    EXPECT_EQ(read_file(folder / "doc.txt"), content);
  }
}

TEST(ReadFile, ReadsNoFileLargerThanItsBound) {
  ScratchFolder folder;
  const struct {
    std::size_t size;
    std::uintmax_t largest;
    bool read;
  } cases[] = {
      {0, 0, true},
      {100000, 100000, true},
      {100001, 100000, false},
      {1, 0, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(std::to_string(test.size) + " bytes, " + std::to_string(test.largest) + " taken");
    const std::string content(test.size, 'a');
    spit(folder / "doc.txt", content);
    try {
      EXPECT_EQ(read_file(folder / "doc.txt", test.largest), content);
      EXPECT_TRUE(test.read);
    } catch (const FileTooLarge& failure) {
      EXPECT_FALSE(test.read);
      EXPECT_EQ(failure.path(), folder / "doc.txt");
      EXPECT_EQ(failure.largest(), test.largest);
    }
  }
}

// read_file on `path`, in a thread of its own. A reading that still waits
// after a long while is released by a writer that opens the FIFO and closes
// it again, so that the fault shows as a failed test instead of a test that
// never ends.
std::string read_without_hanging(const std::filesystem::path& path) {
  std::future<std::string> reading =
      std::async(std::launch::async, [&] { return read_file(path); });
#ifndef _WIN32
  if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "the reading waited";
    const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
  }
#endif
  return reading.get();
}

TEST(ReadFile, RefusesWhatIsNotARegularFileWithoutWaiting) {
  ScratchFolder folder;
  std::filesystem::create_directory(folder / "a folder");
  std::vector<std::filesystem::path> refused = {folder / "a folder"};
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((folder / "a fifo").c_str(), 0600), 0) << std::strerror(errno);
  refused.push_back(folder / "a fifo");
  refused.push_back("/dev/null");
#endif
  for (const std::filesystem::path& path : refused) {
    SCOPED_TRACE(path.string());
    try {
      const std::string bytes = read_without_hanging(path);
      ADD_FAILURE() << "read " << bytes.size() << " bytes";
    } catch (const FileError& failure) {
      EXPECT_EQ(failure.path(), path);
      EXPECT_EQ(failure.reason(), "is not a regular file");
    }
  }
}

TEST(ReadFile, AMissingFileIsAFileErrorNamingIt) {
  ScratchFolder folder;
  try {
    read_file(folder / "missing.txt");
    ADD_FAILURE() << "a missing file was read";
  } catch (const FileError& failure) {
    EXPECT_EQ(failure.path(), folder / "missing.txt");
    EXPECT_FALSE(failure.reason().empty());
  }
}

// Pieces anywhere in a file, also past 4 GB (a sparse file: the hole costs no
// disk), and a piece past the end refused instead of read short.
TEST(FileReader, ReadsThePiecesAskedForAndNothingPastTheEnd) {
  ScratchFolder folder;
  constexpr std::uint64_t kTailAt = 5ull << 30;
  spit_around_hole(folder / "large", "head", kTailAt, "tail");
  const FileReader file(folder / "large");
  ASSERT_EQ(file.size(), kTailAt + 4);
  struct Case {
    std::uint64_t offset;
    std::size_t count;
    std::optional<std::string> bytes;  // what is read; none for a piece refused
  };
  const Case cases[] = {
      {0, 4, "head"},
      {2, 4, std::string("ad\0\0", 4)},
      {kTailAt - 1, 5, std::string("\0tail", 5)},
      {kTailAt + 4, 0, ""},
      {kTailAt, 5, std::nullopt},
      {kTailAt + 5, 0, std::nullopt},
      {~0ull, 2, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.offset) + "+" + std::to_string(c.count));
    if (c.bytes) {
      EXPECT_EQ(file.read_at(c.offset, c.count), *c.bytes);
      continue;
    }
    try {
      file.read_at(c.offset, c.count);
      ADD_FAILURE() << "a piece past the end was read";
    } catch (const FileError& failure) {
      EXPECT_EQ(failure.path(), folder / "large");
      EXPECT_NE(failure.reason().find("ends before"), std::string::npos) << failure.reason();
    }
  }
}

// An editor saves by deleting the old file or renaming a new one over it:
// neither may fail while the file is open for reading. Windows keeps the
// name of a file deleted while open until it is closed, and refuses a rename
// over one that is open; there the delete is what holds.
TEST(FileReader, AFileOpenForReadingCanBeDeletedOrReplaced) {
  ScratchFolder folder;
  spit(folder / "description.txt", "old");
  {
    const FileReader open(folder / "description.txt");
    EXPECT_TRUE(std::filesystem::remove(folder / "description.txt"));
    EXPECT_EQ(open.read_at(0, 3), "old");
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "description.txt"));
#ifndef _WIN32
  spit(folder / "description.txt", "old");
  spit(folder / "saved.txt", "new");
  {
    const FileReader open(folder / "description.txt");
    std::filesystem::rename(folder / "saved.txt", folder / "description.txt");
    EXPECT_EQ(open.read_at(0, 3), "old");
  }
  EXPECT_EQ(read_file(folder / "description.txt"), "new");
#endif
}

TEST(FileReader, RefusesWhatReadFileRefuses) {
  ScratchFolder folder;
  std::filesystem::create_directory(folder / "a folder");
  for (const std::filesystem::path& path : {folder / "a folder", folder / "missing"}) {
    SCOPED_TRACE(path.string());
    try {
      const FileReader file(path);
      ADD_FAILURE() << "opened, " << file.size() << " bytes";
    } catch (const FileError& failure) {
      EXPECT_EQ(failure.path(), path);
      EXPECT_FALSE(failure.reason().empty());
    }
  }
}

}  // namespace
}  // namespace borgo::storage
