// The built tool as a process whose standard output or error cannot be
// written: a full device fails the run; a reader that went away, as "| head"
// leaves, ends it quietly with the command's own status.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"

#ifndef _WIN32
extern char** environ;
#endif

namespace borgo::tools::testing {
namespace {

#ifndef _WIN32
enum class Sink {
  kFullDevice,
  kClosedPipe,         // closed before the tool starts
  kReaderLeavesEarly,  // a reader that takes the first bytes and goes, as "| head" does
};

// Reads what comes through `fd` until `enough` bytes came, the writer ended,
// or 10 s passed.
void read_some(int fd, std::size_t enough) {
  std::size_t got = 0;
  for (int waits = 0; got < enough && waits < 100; ++waits) {
    pollfd readable{fd, POLLIN, 0};
    if (::poll(&readable, 1, 100) <= 0) continue;
    char chunk[256];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n <= 0) return;
    got += static_cast<std::size_t>(n);
  }
}

struct ProcessRun {
  bool exited = false;  // false: ended by a signal, or never started
  int status = -1;
  std::string err;  // standard error, when it was not the stream made to fail
};

// Runs the built tool with `words`, the stream `failing` (1 or 2) going to
// `sink` and the other one to a file. SIGPIPE has its default action, as
// from a shell, so that a tool that lets it kill it is seen.
ProcessRun run_with_failing_stream(const std::vector<std::string>& words, int failing, Sink sink,
                                   const std::filesystem::path& scratch) {
  const std::filesystem::path other = scratch / "other-stream.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, failing == 1 ? 2 : 1, other.c_str(),
                                   O_WRONLY | O_CREAT | O_EXCL, 0600);
  int pipe_ends[2] = {-1, -1};
  if (sink == Sink::kFullDevice) {
    posix_spawn_file_actions_addopen(&actions, failing, "/dev/full", O_WRONLY, 0);
  } else {
    EXPECT_EQ(::pipe2(pipe_ends, O_CLOEXEC), 0);
#ifdef F_SETPIPE_SZ
    // A small pipe: the tool meets the closed end however much it writes.
    ::fcntl(pipe_ends[1], F_SETPIPE_SZ, 4096);
#endif
    if (sink == Sink::kClosedPipe) {
      ::close(pipe_ends[0]);  // nobody will read
      pipe_ends[0] = -1;
    }
    posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], failing);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t default_signals;
  sigemptyset(&default_signals);
  sigaddset(&default_signals, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &default_signals);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> argv_words{BORGO_TOOL};
  argv_words.insert(argv_words.end(), words.begin(), words.end());
  std::vector<char*> argv;
  for (std::string& word : argv_words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = -1;
  const int spawned =
      ::posix_spawn(&child, BORGO_TOOL, &actions, &attributes, argv.data(), environ);
  if (pipe_ends[1] >= 0) ::close(pipe_ends[1]);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (pipe_ends[0] >= 0) {
    if (spawned == 0) read_some(pipe_ends[0], 100);
    ::close(pipe_ends[0]);
  }

  ProcessRun run;
  int wait_status = 0;
  if (spawned != 0 || ::waitpid(child, &wait_status, 0) != child) return run;
  run.exited = WIFEXITED(wait_status);
  run.status = run.exited ? WEXITSTATUS(wait_status) : -1;
  if (failing == 1) run.err = borgo::testing::slurp(other);
  return run;
}

TEST(ToolProcess, OutputThatCannotBeWrittenFailsTheRunUnlessNobodyReadsIt) {
  ScenarioFolder scenario;
  borgo::testing::ScratchFolder compiled;
  ASSERT_EQ(scenario.compile({"--out", compiled.path().string()}).status, 0);
  const std::string dir = scenario.path().string();
  struct Case {
    const char* name;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"help", {"--help"}},
      {"compile", {"compile", dir, "--line", kLine, "--train", kTrain, "--out", dir + "/out"}},
      {"emit", {"emit", dir + "/emitted", "--force"}},
      {"dump", {"dump", (compiled / "Costa_R 12.dat").string()}},
      {"explain", {"explain", dir, "--line", kLine, "--train", kTrain, kTrainDocument + ":12"}},
      {"render to standard output", {"render", dir, "--line", kLine, "--train", kTrain, "-o", "-"}},
      {"pack to standard output",
       {"pack", dir, "--line", kLine, "--train", kTrain, "--target", "linux", "-o", "-"}},
  };
  struct Stream {
    const char* name;
    int fd;
    Sink sink;
  };
  const Stream streams[] = {
      {"standard output full", 1, Sink::kFullDevice},
      {"standard output to a closed pipe", 1, Sink::kClosedPipe},
      {"standard output to a reader that leaves early", 1, Sink::kReaderLeavesEarly},
      {"standard error full", 2, Sink::kFullDevice},
      {"standard error to a closed pipe", 2, Sink::kClosedPipe},
  };
  // The reader that leaves early leaves while these are still writing: their
  // output is far larger than the pipe holds.
  ASSERT_GT(std::filesystem::file_size(BORGO_PACKAGE_PROGRAM), 1u << 16);
  ASSERT_GT(tool({"dump", (compiled / "Costa_R 12.dat").string()}).out.size(), 8192u);
  const bool full_device = std::filesystem::exists("/dev/full");
  for (const Stream& stream : streams) {
    if (stream.sink == Sink::kFullDevice && !full_device) continue;
    for (const Case& c : cases) {
      // compile, render and pack write a summary, emit and dump nothing, to standard error.
      if (stream.fd == 2 && c.words[0] != "compile" && c.words[0] != "render" &&
          c.words[0] != "pack") {
        continue;
      }
      SCOPED_TRACE(std::string(stream.name) + ", " + c.name);
      borgo::testing::ScratchFolder scratch;
      const ProcessRun run =
          run_with_failing_stream(c.words, stream.fd, stream.sink, scratch.path());
      ASSERT_TRUE(run.exited) << "ended by a signal";
      if (stream.sink == Sink::kFullDevice) {
        EXPECT_EQ(run.status, 2);
        if (stream.fd == 1) {
          EXPECT_NE(run.err.find("scenario-tool: cannot write standard output"), std::string::npos)
              << run.err;
        }
      } else {
        EXPECT_EQ(run.status, 0);
        if (stream.fd == 1) {
          EXPECT_EQ(run.err.find("cannot write"), std::string::npos) << run.err;
        }
      }
    }
  }
  if (!full_device) GTEST_SKIP() << "no /dev/full: only the closed pipe was tried";
}
#endif

}  // namespace
}  // namespace borgo::tools::testing
