// The help of the tool and of each command, made from the commands'
// definitions, and the tool's version.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "borgo/version.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

// Every line of `text` fits 79 columns; the first that does not, or "".
std::string first_long_line(const std::string& text) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.size() > 79) return line;
  }
  return "";
}

TEST(Help, EachCommandTellsItsUsageAndEveryOptionItTakes) {
  struct Case {
    std::vector<std::string> words;
    std::string usage;                  // the help's first line begins so
    std::vector<std::string> mentions;  // options and arguments it names
  };
  const Case cases[] = {
      {{"compile", "--help"},
       "Usage: scenario-tool compile DIR --line NAME --train NAME [--no-line-file]",
       {"--out OUTDIR", "--no-line-file", "-h, --help", "error_number N", "Exit status"}},
      {{"emit", "-h"}, "Usage: scenario-tool emit DIR [--force]", {"--force", "Exit status"}},
      {{"documents", "--help"},
       "Usage: scenario-tool documents DIR --line NAME --train NAME [--out OUTDIR]",
       {"--force", "--out OUTDIR", "_scheda.txt", "Exit status"}},
      {{"dump", "--help"},
       "Usage: scenario-tool dump FILE... [--json] [--as KIND]",
       {"--json", "--as KIND", "Exit status"}},
      {{"render", "--help"},
       "Usage: scenario-tool render DIR --line NAME --train NAME -o FILE.svg",
       {"-o, --output FILE.svg", "Exit status"}},
      {{"explain", "--help"},
       "Usage: scenario-tool explain DIR FILE:LINE --line NAME --train NAME [--json]",
       {"--json", "docs/description-format.md"}},
      {{"lsp", "--help"},
       "Usage: scenario-tool lsp [--debounce MS] [--stdio]",
       {"--debounce MS", "--stdio", "at most 2000"}},
      {{"preview", "--help"},
       "Usage: scenario-tool preview DIR --line NAME --train NAME [--port N] [--open]",
       {"--port N", "--open", "127.0.0.1"}},
      {{"pack", "--help"},
       "Usage: scenario-tool pack DIR --line NAME --train NAME [--target windows|linux]",
       {"--allow-errors", "--from-utf8", "--generic-program FILE", "-o, --output PROGRAM"}},
      {{"unpack", "--help"},
       "Usage: scenario-tool unpack PROGRAM [--out OUTDIR] [--force]",
       {"--out OUTDIR", "--force", "Exit status"}},
      {{"decompile", "--help"},
       "Usage: scenario-tool decompile DIR --line NAME --train NAME [--out OUTDIR]",
       {"--force", "--no-check", "_guesses.txt", "Exit status"}},
      {{"--help"},
       "Usage: scenario-tool COMMAND",
       {"compile DIR", "pack DIR", "unpack PROGRAM", "decompile DIR", "--version"}},
      {{"help"}, "Usage: scenario-tool COMMAND", {"explain DIR FILE:LINE"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.front());
    const ToolRun run = tool(c.words);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind(c.usage, 0), 0u) << run.out;
    for (const std::string& mention : c.mentions) {
      EXPECT_NE(run.out.find(mention), std::string::npos) << mention << "\n" << run.out;
    }
    EXPECT_EQ(first_long_line(run.out), "");
    EXPECT_EQ(run.err, "");
  }
}

TEST(Help, AWrongCommandLineSaysWhereHelpIs) {
  const struct {
    std::vector<std::string> words;
    const char* says;
  } cases[] = {
      {{"compile", "--line"}, "Try 'scenario-tool compile --help'."},
      {{"pack", "--bogus"}, "Try 'scenario-tool pack --help'."},
      {{"--bogus"}, "Try 'scenario-tool --help'."},
  };
  for (const auto& c : cases) {
    const ToolRun run = tool(c.words);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

// What a program prints on standard output when started with `argument`,
// and its exit status.
struct Printed {
  std::string out;
  int status = -1;
};
Printed run_with(const std::string& program, const std::string& argument) {
  const std::string command = "\"" + program + "\" " + argument;
#ifdef _WIN32
  std::FILE* pipe = _popen(command.c_str(), "rb");
#else
  std::FILE* pipe = popen(command.c_str(), "r");
#endif
  Printed printed;
  if (pipe == nullptr) return printed;
  char block[256];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, pipe)) > 0;) {
    printed.out.append(block, n);
  }
#ifdef _WIN32
  printed.status = _pclose(pipe);
#else
  const int status = pclose(pipe);
  printed.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  return printed;
}

// The tool and both programs tell the one version the project sets.
TEST(Version, EveryProgramTellsTheProjects) {
  const std::string version(borgo::kVersion);
  ASSERT_FALSE(version.empty());
  const ToolRun run = tool({"--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "scenario-tool " + version + "\n");
  const struct {
    const char* program;
    const char* name;
  } programs[] = {
      {BORGO_TOOL, "scenario-tool"},
      {BORGO_PROGRAM, "Borgo_Mar_TX903"},
      {BORGO_PACKAGE_PROGRAM, "scenario-package"},
  };
  for (const auto& p : programs) {
    SCOPED_TRACE(p.name);
    const Printed printed = run_with(p.program, "--version");
    EXPECT_EQ(printed.status, 0);
    // Windows' console may end the line with CR LF.
    std::string out = printed.out;
    if (out.ends_with("\r\n")) out.erase(out.size() - 2, 1);
    EXPECT_EQ(out, std::string(p.name) + " " + version + "\n");
  }
}

}  // namespace
}  // namespace borgo::tools::testing
