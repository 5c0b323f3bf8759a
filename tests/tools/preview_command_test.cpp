// scenario-tool preview's command line: what it refuses before it serves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/tool_fixture.hpp"
#include "tools/preview_server.hpp"

namespace borgo::tools {
namespace {

using testing::kLine;
using testing::kTrain;
using testing::ScenarioFolder;
using testing::tool;

TEST(PreviewCommand, RefusesAWrongCommandLineBeforeItServes) {
  ScenarioFolder scenario;
  const std::string dir = scenario.path().string();
  const std::string file = (scenario.path() / testing::kLineDocument).string();
  const struct {
    const char* what;
    std::vector<std::string> words;
    const char* said;
  } cases[] = {
      {"no folder", {"preview", "--line", kLine, "--train", kTrain}, "folder"},
      {"no train", {"preview", dir, "--line", kLine}, "--train"},
      {"a file for a folder",
       {"preview", file, "--line", kLine, "--train", kTrain},
       "not a folder"},
      {"a port too large",
       {"preview", dir, "--line", kLine, "--train", kTrain, "--port", "70000"},
       "--port"},
      {"a negative port",
       {"preview", dir, "--line", kLine, "--train", kTrain, "--port", "-1"},
       "--port"},
      {"a port that is no number",
       {"preview", dir, "--line", kLine, "--train", kTrain, "--port", "80a"},
       "--port"},
      {"an unknown option",
       {"preview", dir, "--line", kLine, "--train", kTrain, "--host", "x"},
       "--host"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    const auto run = tool(test.words);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(test.said), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
}

TEST(PreviewCommand, SaysSoWhenItsPortIsTaken) {
  ScenarioFolder scenario;
  PreviewServer taken(0, std::make_shared<PreviewState>());
  const auto run = tool({"preview", scenario.path().string(), "--line", kLine, "--train", kTrain,
                         "--port", std::to_string(taken.port())});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("cannot listen on 127.0.0.1:" + std::to_string(taken.port())),
            std::string::npos)
      << run.err;
}

TEST(PreviewCommand, HelpTellsWhereItListens) {
  const auto run = tool({"preview", "--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("127.0.0.1 only"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace borgo::tools
