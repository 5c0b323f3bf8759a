// scenario-tool decompile: the compiled files back to descriptions that
// compile to them, what it refuses and what it tells.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/disk_faults.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"
#include "tools/drawing/compiled_decoder.hpp"

namespace borgo::tools::testing {
namespace {

using borgo::testing::folder_entries;
using borgo::testing::ScratchFolder;
using borgo::testing::slurp;
using borgo::testing::spit;
using Path = std::filesystem::path;

const std::string kLineFile = "Costa_linea.dat";
const std::string kTrainFile = "Costa_R 12.sim";
const std::string kCellFile = "Costa_R 12.dat";
const std::string kGuesses = "Costa_R 12_guesses.txt";

std::vector<std::string> decompile_words(const Path& folder, const Path& out,
                                         std::vector<std::string> extra = {}) {
  std::vector<std::string> words{"decompile", folder.string(), "--line", kLine,
                                 "--train",   kTrain,          "--out",  out.string()};
  words.insert(words.end(), extra.begin(), extra.end());
  return words;
}

// The costa fixture's compiled files, in a folder of their own.
struct CompiledFolder {
  ScratchFolder compiled;
  CompiledFolder() {
    ScenarioFolder scenario;
    const ToolRun run = scenario.compile({"--out", compiled.path().string()});
    EXPECT_EQ(run.status, 0) << run.err;
  }
  Path path() const { return compiled.path(); }
};

// Every compiled file in `out` (after compiling the descriptions written
// there) is byte for byte the one in `compiled`.
void expect_compiles_back(const Path& out, const Path& compiled, bool line_file) {
  ScratchFolder again;
  std::vector<std::string> words{"compile", out.string(), "--line", kLine,
                                 "--train", kTrain,       "--out",  again.path().string()};
  if (!line_file) words.push_back("--no-line-file");
  const ToolRun run = tool(words);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(
      borgo::testing::entry_differences(folder_entries(again.path()), folder_entries(compiled)),
      "");
}

TEST(DecompileCommand, WritesDescriptionsThatCompileBackOrTellsWhyNot) {
  struct Case {
    std::string name;
    std::function<void(const Path& compiled)> change;  // of the compiled files
    std::vector<std::string> extra;
    int status;
    std::vector<std::string> err_says;
    bool writes;
  };
  const auto damage_at = [](const std::string& file, std::size_t at, char byte) {
    return [=](const Path& compiled) {
      std::string bytes = slurp(compiled / file);
      bytes[at] = byte;
      spit(compiled / file, bytes);
    };
  };
  const Case cases[] = {
      {"all three files", [](const Path&) {}, {}, 0, {"guessed station column 5: "}, true},
      {"no line file",
       [](const Path& compiled) { std::filesystem::remove(compiled / kLineFile); },
       {},
       0,
       {"guessed curves: without the line file"},
       true},
      {"no check", [](const Path&) {}, {"--no-check"}, 0, {}, true},
      // Cell 300's kind, 9, is none the compile writes.
      {"a cell kind no compile writes",
       damage_at(kCellFile, 300 * 15, 9),
       {},
       2,
       {kCellFile + ": offset 4500: ", "kind 9"},
       false},
      {"a train file cut short",
       [](const Path& compiled) {
         std::string bytes = slurp(compiled / kTrainFile);
         bytes.resize(bytes.size() - 3);
         spit(compiled / kTrainFile, bytes);
       },
       {},
       2,
       {kTrainFile + ": offset ", "cut short"},
       false},
      {"a cell file larger than any",
       [](const Path& compiled) {
         const auto largest = largest_file_bytes(compiler::CompiledFileKind::kCells);
         spit(compiled / kCellFile, std::string(static_cast<std::size_t>(largest) + 15, '\0'));
       },
       {},
       2,
       {kCellFile + ": offset ", "longer than any cell file can be"},
       false},
      {"no cell file",
       [](const Path& compiled) { std::filesystem::remove(compiled / kCellFile); },
       {},
       2,
       {"there is no compiled file '", kCellFile},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompiledFolder compiled;
    c.change(compiled.path());
    const std::map<std::string, std::string> before = folder_entries(compiled.path());
    ScratchFolder out;
    const ToolRun run = tool(decompile_words(compiled.path(), out.path(), c.extra));
    EXPECT_EQ(run.status, c.status) << run.err;
    for (const std::string& says : c.err_says) {
      EXPECT_NE(run.err.find(says), std::string::npos) << says << "\n" << run.err;
    }
    // The compiled files are only read.
    EXPECT_EQ(borgo::testing::entry_differences(folder_entries(compiled.path()), before), "");
    if (!c.writes) {
      EXPECT_TRUE(folder_entries(out.path()).empty());
      continue;
    }
    const bool checked = c.extra.empty();
    EXPECT_EQ(run.out.find("byte for byte") != std::string::npos, checked) << run.out;
    // One line on standard error, and one in the note, for each guess.
    std::size_t guesses = 0;
    for (const std::string& line : run.lines(run.err)) {
      EXPECT_EQ(line.rfind("scenario-tool decompile: guessed ", 0), 0u) << line;
      ++guesses;
    }
    const std::map<std::string, std::string> written = folder_entries(out.path());
    ASSERT_EQ(written.count(kGuesses), guesses > 0 ? 1u : 0u);
    if (guesses > 0) {
      const std::string note = written.at(kGuesses);
      EXPECT_EQ(static_cast<std::size_t>(std::count(note.begin(), note.end(), '\n')), guesses + 1);
    }
    expect_compiles_back(out.path(), compiled.path(), c.name != "no line file");
  }
}

// Descriptions already there are an author's work: named, and nothing is
// written, unless --force; what is not a plain file is never written over.
TEST(DecompileCommand, RefusesToOverwriteUnlessForcedAndNeverAnythingButAFile) {
  struct Case {
    std::string name;
    std::function<void(const Path& out)> plant;
    std::vector<std::string> extra;
    int status;
    std::string err_says;
  };
  const Case cases[] = {
      {"a train description",
       [](const Path& out) { spit(out / kTrainDocument, "mine\r\n"); },
       {},
       2,
       "would be overwritten:\n  "},
      {"a note", [](const Path& out) { spit(out / kGuesses, "mine\r\n"); }, {}, 2, kGuesses},
      {"a train description, forced",
       [](const Path& out) { spit(out / kTrainDocument, "mine\r\n"); },
       {"--force"},
       0,
       ""},
      {"a folder under a description's name, forced",
       [](const Path& out) { std::filesystem::create_directory(out / kLineDocument); },
       {"--force"},
       2,
       "are not plain files"},
#ifndef _WIN32
      {"a link under a description's name, forced",
       [](const Path& out) {
         spit(out / "elsewhere.txt", "mine\r\n");
         std::filesystem::create_symlink(out / "elsewhere.txt", out / kLineDocument);
       },
       {"--force"},
       2,
       "are not plain files"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompiledFolder compiled;
    ScratchFolder out;
    c.plant(out.path());
    const std::map<std::string, std::string> before = folder_entries(out.path());
    const ToolRun run = tool(decompile_words(compiled.path(), out.path(), c.extra));
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.err_says), std::string::npos) << run.err;
    if (c.status != 0) {
      EXPECT_EQ(borgo::testing::entry_differences(folder_entries(out.path()), before), "");
    } else {
      expect_compiles_back(out.path(), compiled.path(), true);
    }
  }
}

TEST(DecompileCommand, WritesBesideTheCompiledFilesWithoutOut) {
  CompiledFolder compiled;
  const ToolRun run =
      tool({"decompile", compiled.path().string(), "--line", kLine, "--train", kTrain});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(compiled.path() / kLineDocument));
  EXPECT_TRUE(std::filesystem::is_regular_file(compiled.path() / kTrainDocument));
  const ToolRun missing_out = tool(decompile_words(compiled.path(), compiled.path() / "nowhere"));
  EXPECT_EQ(missing_out.status, 2);
  EXPECT_NE(missing_out.err.find("nowhere"), std::string::npos) << missing_out.err;
}

}  // namespace
}  // namespace borgo::tools::testing
