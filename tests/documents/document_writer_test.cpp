#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "documents/documents.hpp"
#include "storage/file_error.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::documents {
namespace {

using testing::ScratchFolder;
using testing::slurp;
using testing::spit;

constexpr LineTable kShort = make_line_table("a\r\n\r\nb \r\n");

TEST(WriteDocument, CreatesAMissingFile) {
  ScratchFolder folder;
  write_document(folder / "doc.txt", kShort);
  EXPECT_EQ(slurp(folder / "doc.txt"), "a\r\n\r\nb \r\n");
}

TEST(WriteDocument, ReplacesAnOlderLongerFileWithoutRemains) {
  ScratchFolder folder;
  spit(folder / "doc.txt", std::string(5000, 'z'));
  write_document(folder / "doc.txt", kShort);
  EXPECT_EQ(slurp(folder / "doc.txt"), "a\r\n\r\nb \r\n");
}

TEST(WriteDocument, LeavesNoTemporaryFileBehind) {
  ScratchFolder folder;
  write_document(folder / "doc.txt", kShort);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(WriteDocument, ADirectoryInTheFilesPlaceFailsNamingTheFile) {
  ScratchFolder folder;
  std::filesystem::create_directory(folder / "doc.txt");
  try {
    write_document(folder / "doc.txt", kShort);
    FAIL() << "expected a FileError";
  } catch (const storage::FileError& failure) {
    EXPECT_EQ(failure.path(), folder / "doc.txt");
    EXPECT_FALSE(failure.reason().empty());
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder / "doc.txt"));
}

TEST(DocumentNames, FollowTheScenarioNames) {
  EXPECT_EQ(line_description_name("Borgo_Mar"), "Borgo_Mar_linea.txt");
  EXPECT_EQ(train_description_name("Borgo_Mar", "TX 903"), "Borgo_Mar_TX 903-.txt");
  EXPECT_EQ(notes_name("Borgo_Mar", "TX 903"), "Borgo_Mar_TX 903_note.txt");
  EXPECT_EQ(slow_down_order_name("Borgo_Mar", "TX 903"), "Borgo_Mar_TX 903_rallentamenti.txt");
  EXPECT_EQ(train_sheet_name("Borgo_Mar", "TX 903"), "Borgo_Mar_TX 903_scheda_treno.txt");
}

// Every file name is built from the scenario names, on Windows as on Linux:
// a name that would reach outside the folder, name a drive or a stream, or
// that one of the two systems refuses, is not a scenario name.
TEST(ScenarioNames, ArePlainFileNamesOnBothSystems) {
  for (const std::string& name : std::vector<std::string>{"Borgo_Mar", "TX 903", "Citt\xE0", ".",
                                                          "..", std::string(255, 'n')}) {
    EXPECT_EQ(scenario_name_fault(name), std::nullopt) << name;
  }
  struct Case {
    std::string name;
    const char* fault;
  };
  const Case faults[] = {
      {"", "is empty"},
      {std::string(256, 'n'), "256 bytes long"},
      {"a/b", "holds '/'"},
      {"..\\b", "holds '\\'"},
      {"C:x", "holds ':'"},
      {"a<b", "holds '<'"},
      {"a>b", "holds '>'"},
      {"a\"b", "holds '\"'"},
      {"a|b", "holds '|'"},
      {"a?b", "holds '?'"},
      {"a*b", "holds '*'"},
      {std::string("a\0b", 3), "control character 0x00"},
      {"a\nb", "control character 0x0A"},
      {"a\x1F", "control character 0x1F"},
  };
  for (const Case& c : faults) {
    const std::optional<std::string> fault = scenario_name_fault(c.name);
    ASSERT_TRUE(fault.has_value()) << c.name;
    EXPECT_NE(fault->find(c.fault), std::string::npos) << *fault;
  }
}

}  // namespace
}  // namespace borgo::documents
