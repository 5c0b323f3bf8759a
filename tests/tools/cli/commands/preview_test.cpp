// scenario-tool preview's command line: what it refuses before it serves.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "tests/support/tool_process.hpp"
#include "tests/tools/preview/raw_connection.hpp"
#endif

#include <string>
#include <vector>

#include "tests/tools/tool_fixture.hpp"
#include "tools/preview/server.hpp"

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
      {"no folder", {"preview", "--line", kLine, "--train", kTrain}, "DIR is required"},
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

#ifndef _WIN32

using namespace std::chrono_literals;

using borgo::testing::ToolProcess;

// Clients that hold their connections, each in its own way, do not keep the
// tool from ending when the author presses Ctrl-C.
TEST(PreviewCommand, EndsOnCtrlCWhateverItsClientsDo) {
  ScenarioFolder scenario;
  ToolProcess tool({"preview", scenario.path().string(), "--line", kLine, "--train", kTrain});
  const int port = tool.port();
  ASSERT_GT(port, 0);
  const std::string host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
  std::vector<std::unique_ptr<testing::RawConnection>> trickling;
  std::vector<std::unique_ptr<testing::RawConnection>> others;
  for (int i = 0; i < 8; ++i) {
    trickling.push_back(std::make_unique<testing::RawConnection>(port));
    trickling.back()->send("GET / HTTP/1.1\r\n");
    others.push_back(std::make_unique<testing::RawConnection>(port));  // silent
  }
  for (int i = 0; i < 4; ++i) {
    others.push_back(std::make_unique<testing::RawConnection>(port));
    others.back()->send("GET /events HTTP/1.1\r\n" + host + "\r\n");
    ASSERT_EQ(others.back()->status_within(5s), 200) << "an event stream, never read";
  }

  tool.signal(SIGINT);
  // The slow clients go on sending while the tool ends: 10 s at most.
  std::optional<int> status;
  for (int i = 0; i < 200 && !(status = tool.exit_status()); ++i) {
    for (auto& connection : trickling) connection->send("X-Slow: 1\r\n");
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_EQ(status, 0) << "the tool did not end by itself";
}

#endif

}  // namespace
}  // namespace borgo::tools
