// The scenarios a folder holds that would fit names that name no file there:
// which are listed, in what order, and how their options are written.
#include "tools/shared/scenario_files.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/shared/edit_distance.hpp"
#include "tools/shared/refusal.hpp"

namespace borgo::tools {
namespace {

TEST(EditDistance, CountsLettersInsertedDeletedOrReplacedIgnoringCase) {
  const struct {
    const char* a;
    const char* b;
    std::size_t distance;
  } cases[] = {
      {"R 12", "R 12", 0}, {"R12", "R 12", 1},  {"costa", "Costa", 0},  {"Cost", "Costa", 1},
      {"", "abc", 3},      {"R 13", "R 12", 1}, {"TX903", "TX 903", 1}, {"ab", "ba", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(edit_distance(c.a, c.b), c.distance);
    EXPECT_EQ(edit_distance(c.b, c.a), c.distance);
  }
  // Only the first letters count, however long the names.
  EXPECT_EQ(edit_distance(std::string(100000, 'x'), std::string(100000, 'y')),
            kEditDistanceLongest);
}

// The lines check_descriptions_present lists for `line` and `train` in a
// folder holding `files`; empty when it lists none. The check must refuse.
std::vector<std::string> listed(const std::vector<std::string>& files, const std::string& line,
                                const std::string& train) {
  borgo::testing::ScratchFolder folder;
  for (const std::string& file : files) borgo::testing::spit(folder / file, "");
  ScenarioNames names;
  names.line = line;
  names.train = train;
  try {
    check_descriptions_present(folder.path(), names);
  } catch (const Refusal& refusal) {
    std::vector<std::string> lines;
    std::istringstream said(refusal.what());
    std::string first;
    std::getline(said, first);
    std::string heading;
    if (std::getline(said, heading)) {
      EXPECT_EQ(heading, "  that folder holds, nearest first:");
    }
    for (std::string text; std::getline(said, text);) lines.push_back(text.substr(4));
    return lines;
  }
  ADD_FAILURE() << "not refused";
  return {};
}

TEST(ScenarioFiles, ListsTheScenariosThatWouldFitNearestFirst) {
  using Lines = std::vector<std::string>;
  const struct {
    const char* name;
    std::vector<std::string> files;
    const char* line;
    const char* train;
    Lines expected;
  } cases[] = {
      {"nearest first",
       {"Costa_linea.txt", "Costa_R 120-.txt", "Costa_R 12-.txt"},
       "Costa",
       "R12",
       {"Costa_R 12-.txt (--train \"R 12\")", "Costa_R 120-.txt (--train \"R 120\")"}},
      {"a handful, and how many more",
       {"Costa_linea.txt", "Costa_R 1-.txt", "Costa_R 2-.txt", "Costa_R 3-.txt", "Costa_R 4-.txt",
        "Costa_R 5-.txt", "Costa_R 6-.txt", "Costa_R 7-.txt"},
       "Costa",
       "R 9",
       {"Costa_R 1-.txt (--train \"R 1\")", "Costa_R 2-.txt (--train \"R 2\")",
        "Costa_R 3-.txt (--train \"R 3\")", "Costa_R 4-.txt (--train \"R 4\")",
        "Costa_R 5-.txt (--train \"R 5\")", "and 2 more"}},
      {"a line whose name holds the separator",
       {"Borgo_Mar_linea.txt", "Borgo_Mar_TX 903-.txt"},
       "Borgo_Mar",
       "TX903",
       {"Borgo_Mar_TX 903-.txt (--train \"TX 903\")"}},
      {"a line a letter off",
       {"Borgo_Mar_linea.txt", "Borgo_Mar_TX 903-.txt"},
       "Borgo_Mare",
       "TX 903",
       {"Borgo_Mar_TX 903-.txt (--line Borgo_Mar)"}},
      {"a line cut short",
       {"Borgo_Mar_linea.txt", "Borgo_Mar_TX 903-.txt"},
       "Borgo",
       "TX 903",
       {"Borgo_Mar_TX 903-.txt (--line Borgo_Mar)"}},
      {"a train description without its line description would not compile",
       {"Riva_R 12-.txt"},
       "Rive",
       "R 12",
       {}},
      {"another line, far off", {"Mare_linea.txt", "Mare_R 12-.txt"}, "Costa", "R 12", {}},
      {"names a shell takes as they are, or quoted",
       {"Costa_linea.txt", "Costa_R12-.txt", "Costa_R$1-.txt"},
       "Costa",
       "R 1",
       {"Costa_R$1-.txt (--train \"R\\$1\")", "Costa_R12-.txt (--train R12)"}},
      {"compiled files are no descriptions",
       {"Costa_linea.dat", "Costa_R 1.sim"},
       "Costa",
       "R 1",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(listed(c.files, c.line, c.train), c.expected);
  }
}

TEST(ScenarioFiles, PresentDescriptionsPass) {
  borgo::testing::ScratchFolder folder;
  for (const char* file : {"Costa_linea.txt", "Costa_R 12-.txt"}) {
    borgo::testing::spit(folder / file, "");
  }
  ScenarioNames names;
  names.line = "Costa";
  names.train = "R 12";
  EXPECT_NO_THROW(check_descriptions_present(folder.path(), names));
  EXPECT_EQ(check_drawing_source(folder.path(), names), DrawingSource::kDescriptions);
}

}  // namespace
}  // namespace borgo::tools
