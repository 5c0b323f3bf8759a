// A line or train name mistyped on the command line: every command that
// reads a scenario's documents names the file that is not there, lists the
// scenarios of the folder that would fit, and writes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/disk_faults.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

using borgo::testing::folder_entries;
using borgo::testing::ScratchFolder;

// The command's words for the scenario named so in `dir`, writing any output
// into `elsewhere`.
std::vector<std::string> command_words(const std::string& command, const std::string& dir,
                                       const std::string& line, const std::string& train,
                                       const std::filesystem::path& elsewhere) {
  std::vector<std::string> words{command, dir, "--line", line, "--train", train};
  if (command == "explain") words.push_back(kLineDocument + ":1");
  if (command == "render") words.insert(words.end(), {"-o", (elsewhere / "line.svg").string()});
  if (command == "pack") {
    words.insert(words.end(), {"--target", "linux", "-o", (elsewhere / "package").string()});
  }
  return words;
}

TEST(WrongNames, EveryCommandNamesTheMissingFileAndTheNearOnesAndWritesNothing) {
  struct Case {
    const char* name;
    std::string line;
    std::string train;
    std::string missing;  // the file named, in the scenario folder
    std::string listed;   // a line of the listing; "" for no listing
  };
  // A wrong line leaves both descriptions missing; the line description is
  // named first (render then looks for compiled files, not for the other).
  const Case cases[] = {
      {"a blank left out of the train", kLine, "R12", "Costa_R12-.txt",
       "    Costa_R 12-.txt (--train \"R 12\")"},
      {"a letter typed twice in the line", "Costta", kTrain, "Costta_linea.txt",
       "    Costa_R 12-.txt (--line Costa)"},
      {"both a letter off", "Cost", "R 1", "Cost_linea.txt",
       "    Costa_R 12-.txt (--line Costa --train \"R 12\")"},
      {"a train far from any, on the same line", kLine, "Espresso", "Costa_Espresso-.txt",
       "    Costa_R 12-.txt (--train \"R 12\")"},
      {"names far from any", "Montagna", "IC 7", "Montagna_linea.txt", ""},
  };
  for (const char* command : {"compile", "explain", "render", "preview", "pack"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(command) + ": " + c.name);
      ScenarioFolder scenario;
      ScratchFolder elsewhere;
      const auto before = folder_entries(scenario.path());
      const ToolRun run =
          tool(command_words(command, scenario.path().string(), c.line, c.train, elsewhere.path()));
      EXPECT_EQ(run.status, 2) << run.err;
      const std::string what =
          c.missing.ends_with("_linea.txt") ? "line description" : "train description";
      EXPECT_NE(
          run.err.find("there is no " + what + " '" + (scenario.path() / c.missing).string() + "'"),
          std::string::npos)
          << run.err;
      if (c.listed.empty()) {
        EXPECT_EQ(run.err.find("that folder holds"), std::string::npos) << run.err;
      } else {
        EXPECT_NE(run.err.find("\n  that folder holds, nearest first:\n" + c.listed + "\n"),
                  std::string::npos)
            << run.err;
      }
      EXPECT_EQ(run.err.find("error 25"), std::string::npos) << run.err;
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(folder_entries(scenario.path()), before);
      EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
    }
  }
}

// Without a line description, render draws the compiled files: a wrong name
// is then told by those.
TEST(WrongNames, RenderOfCompiledFilesNamesThoseThatAreMissing) {
  ScenarioFolder scenario;
  ASSERT_EQ(scenario.compile().status, 0);
  std::filesystem::remove(scenario.path() / kLineDocument);
  std::filesystem::remove(scenario.path() / kTrainDocument);
  ScratchFolder elsewhere;
  const auto before = folder_entries(scenario.path());
  const std::string dir = scenario.path().string();

  const ToolRun wrong = tool(command_words("render", dir, kLine, "R12", elsewhere.path()));
  EXPECT_EQ(wrong.status, 2);
  for (const char* file : {"Costa_linea.txt", "Costa_R12.sim", "Costa_R12.dat"}) {
    EXPECT_NE(wrong.err.find("'" + (scenario.path() / file).string() + "'"), std::string::npos)
        << wrong.err;
  }
  EXPECT_NE(wrong.err.find("\n    Costa_R 12.sim (--train \"R 12\")\n"), std::string::npos)
      << wrong.err;
  EXPECT_EQ(folder_entries(scenario.path()), before);
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));

  const ToolRun right = tool(command_words("render", dir, kLine, kTrain, elsewhere.path()));
  EXPECT_EQ(right.status, 0) << right.err;
  EXPECT_TRUE(std::filesystem::exists(elsewhere / "line.svg"));
}

}  // namespace
}  // namespace borgo::tools::testing
