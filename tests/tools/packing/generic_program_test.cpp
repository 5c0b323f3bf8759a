// Where pack finds the generic package program with no --generic-program:
// beside the running tool, as in a build tree or a release archive, else in
// the lib folder beside the tool's bin folder, as the Debian package lays
// them out. The tool runs as a copy of its own in such a layout. Linux.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "documents/package_payload.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

using borgo::testing::ScratchFolder;
using borgo::testing::slurp;
using borgo::testing::spit;

// `word` as one word of a shell command line.
std::string shell_word(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs `program` with `words`; its exit status, and its standard output and
// error together.
ToolRun run(const std::filesystem::path& program, const std::vector<std::string>& words) {
  std::string command = shell_word(program.string());
  for (const std::string& word : words) command += " " + shell_word(word);
  command += " 2>&1";
  ToolRun ran;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return ran;
  char block[4096];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, pipe)) > 0;) ran.out.append(block, n);
  const int status = pclose(pipe);
  ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return ran;
}

TEST(GenericProgramPlace, PackLooksBesideTheToolThenInItsLibFolder) {
  // What stands at each place: nothing, the generic program, or a text file.
  enum class Holds { kNothing, kGeneric, kText };
  const struct Case {
    const char* name;
    Holds beside;
    Holds in_lib;
    int status;
    // The output names these places ("bin/...", "lib/...") under the layout's root.
    std::vector<std::string> says;
  } cases[] = {
      {"an archive: beside the tool", Holds::kGeneric, Holds::kNothing, 0, {"wrote "}},
      {"the Debian package: in lib/scenario-tools",
       Holds::kNothing,
       Holds::kGeneric,
       0,
       {"wrote "}},
      {"neither: both places are named",
       Holds::kNothing,
       Holds::kNothing,
       2,
       {"there is no Linux generic package program at '", "bin/scenario-package' or '",
        "lib/scenario-tools/scenario-package'. "}},
      {"the one beside the tool comes first, even when it is no program",
       Holds::kText,
       Holds::kGeneric,
       2,
       {"bin/scenario-package' is not a Linux program"}},
  };
  const std::string generic = slurp(BORGO_PACKAGE_PROGRAM);
  ScenarioFolder scenario;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder root;
    const std::filesystem::path bin = root / "bin";
    const std::filesystem::path lib = root / "lib" / "scenario-tools";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(lib);
    std::filesystem::copy_file(BORGO_TOOL, bin / "scenario-tool");
    for (const auto& [folder, holds] : {std::pair{bin, c.beside}, std::pair{lib, c.in_lib}}) {
      if (holds == Holds::kGeneric) {
        std::filesystem::copy_file(BORGO_PACKAGE_PROGRAM, folder / "scenario-package");
      } else if (holds == Holds::kText) {
        spit(folder / "scenario-package", "not a program\n");
      }
    }
    const std::filesystem::path made = root / "made";
    const ToolRun ran =
        run(bin / "scenario-tool", {"pack", scenario.path().string(), "--line", kLine, "--train",
                                    kTrain, "--target", "linux", "-o", made.string()});
    EXPECT_EQ(ran.status, c.status) << ran.out;
    for (const std::string& said : c.says) {
      const std::string placed = said.starts_with("bin/") || said.starts_with("lib/")
                                     ? (root.path() / said).string()
                                     : said;
      EXPECT_NE(ran.out.find(placed), std::string::npos) << placed << "\n" << ran.out;
    }
    if (c.status == 0) {
      const std::string program = slurp(made);
      // The generic program's bytes, then the scenario (no megabytes in a failure's message).
      EXPECT_TRUE(program.starts_with(generic));
      EXPECT_TRUE(documents::carries_payload(program));
    } else {
      EXPECT_FALSE(std::filesystem::exists(made));
    }
  }
}

}  // namespace
}  // namespace borgo::tools::testing
