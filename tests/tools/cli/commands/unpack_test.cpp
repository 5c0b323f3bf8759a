// scenario-tool unpack: the documents a package program carries, written
// out as the program writes them, and the programs it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/disk_faults.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

using borgo::testing::folder_entries;
using borgo::testing::ScratchFolder;
using borgo::testing::slurp;
using borgo::testing::spit;
using Path = std::filesystem::path;

// The package program `pack` makes of the scenario in `folder`.
Path packed(const Path& folder, const std::string& line, const std::string& train,
            const Path& program) {
  const ToolRun run = tool({"pack", folder.string(), "--line", line, "--train", train, "--target",
                            kTarget, "-o", program.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  return program;
}

// What pack took in comes out byte for byte: the five emitted documents,
// and a scenario of two descriptions whose lines pack gave CR LF.
TEST(UnpackCommand, WritesTheDocumentsThePackageCarries) {
  ScratchFolder emitted;
  ASSERT_EQ(tool({"emit", emitted.path().string()}).status, 0);
  ScenarioFolder costa;
  struct Case {
    std::string name;
    Path folder;
    std::string line;
    std::string train;
    std::string names_it;
    bool lf_lines;  // the documents as given end their lines with LF alone
  };
  const Case cases[] = {
      {"the emitted scenario", emitted.path(), "Borgo_Mar", "TX 903",
       "--line Borgo_Mar --train \"TX 903\"", false},
      {"a scenario without service documents", costa.path(), kLine, kTrain,
       "--line Costa --train \"R 12\"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder made;
    const Path program = packed(c.folder, c.line, c.train, made / "program");
    ScratchFolder out;
    const ToolRun run = tool({"unpack", program.string(), "--out", out.path().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.last_out_line().find(c.names_it), std::string::npos) << run.out;
    std::map<std::string, std::string> expected = folder_entries(c.folder);
    // The sheet settings only help the author draft the train sheet: no
    // package carries them.
    expected.erase(c.line + "_" + c.train + "_scheda.txt");
    if (c.lf_lines) {
      for (auto& [name, bytes] : expected) bytes = with_crlf(bytes);
    }
    EXPECT_EQ(borgo::testing::entry_differences(folder_entries(out.path()), expected), "");
  }
}

TEST(UnpackCommand, WritesBesideTheProgramWithoutOut) {
  ScenarioFolder costa;
  ScratchFolder made;
  const Path program = packed(costa.path(), kLine, kTrain, made / "program");
  const ToolRun run = tool({"unpack", program.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(slurp(made / kLineDocument), with_crlf(slurp(costa.path() / kLineDocument)));
  EXPECT_EQ(slurp(made / kTrainDocument), with_crlf(slurp(costa.path() / kTrainDocument)));
}

// A program that carries no scenario, or a damaged one, and documents in the
// way: told, status 2, nothing written.
TEST(UnpackCommand, RefusesWhatIsNoPackageAndDocumentsInTheWay) {
  struct Case {
    std::string name;
    std::function<Path(const Path& package, const Path& out)> setup;  // the program to unpack
    std::vector<std::string> extra;
    int status;
    std::string err_says;
  };
  const Case cases[] = {
      {"the generic package program",
       [](const Path&, const Path&) { return Path(BORGO_PACKAGE_PROGRAM); },
       {},
       2,
       "is not a package program made by pack, or a damaged one: it carries no scenario"},
      {"a package whose payload has a byte changed",
       [](const Path& package, const Path&) {
         std::string bytes = slurp(package);
         bytes[bytes.size() - 40] ^= 0x20;
         const Path damaged = package.parent_path() / "damaged";
         spit(damaged, bytes);
         return damaged;
       },
       {},
       2,
       "checksum does not match"},
      {"a program that is not there",
       [](const Path& package, const Path&) { return package.parent_path() / "missing"; },
       {},
       2,
       "missing"},
      {"a document in the way",
       [](const Path& package, const Path& out) {
         spit(out / kTrainDocument, "mine\r\n");
         return package;
       },
       {},
       2,
       "would be overwritten:"},
      {"a document in the way, forced",
       [](const Path& package, const Path& out) {
         spit(out / kTrainDocument, "mine\r\n");
         return package;
       },
       {"--force"},
       0,
       ""},
  };
  ScenarioFolder costa;
  ScratchFolder made;
  const Path package = packed(costa.path(), kLine, kTrain, made / "program");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder out;
    const Path program = c.setup(package, out.path());
    const std::map<std::string, std::string> before = folder_entries(out.path());
    std::vector<std::string> words{"unpack", program.string(), "--out", out.path().string()};
    words.insert(words.end(), c.extra.begin(), c.extra.end());
    const ToolRun run = tool(words);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.err_says), std::string::npos) << run.err;
    if (c.status != 0) {
      EXPECT_EQ(borgo::testing::entry_differences(folder_entries(out.path()), before), "");
    } else {
      EXPECT_EQ(slurp(out.path() / kTrainDocument),
                with_crlf(slurp(costa.path() / kTrainDocument)));
    }
  }
}

}  // namespace
}  // namespace borgo::tools::testing
