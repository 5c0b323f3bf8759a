// scenario-tool emit, then compile: the same bytes as the package program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

using borgo::testing::ScratchFolder;
using borgo::testing::slurp;

const char* const kCompiled[] = {"Borgo_Mar_linea.dat", "Borgo_Mar_TX 903.sim",
                                 "Borgo_Mar_TX 903.dat"};
const char* const kServiceDocuments[] = {"Borgo_Mar_TX 903_note.txt",
                                         "Borgo_Mar_TX 903_rallentamenti.txt",
                                         "Borgo_Mar_TX 903_scheda_treno.txt"};

TEST(EmitCommand, EmitThenCompileGivesTheProgramsFilesByteForByte) {
  ScratchFolder program_folder;
  const std::filesystem::path program =
      program_folder.path() / std::filesystem::path(BORGO_PROGRAM).filename();
  std::filesystem::copy_file(BORGO_PROGRAM, program);
  ASSERT_EQ(borgo::testing::run_program(program), 0);

  ScratchFolder author;
  const ToolRun emitted = tool({"emit", author.path().string()});
  ASSERT_EQ(emitted.status, 0) << emitted.err;
  for (const char* name : kServiceDocuments) {
    SCOPED_TRACE(name);
    EXPECT_EQ(slurp(author / name), slurp(program_folder / name));
  }
  const ToolRun compiled =
      tool({"compile", author.path().string(), "--line", "Borgo_Mar", "--train", "TX 903"});
  ASSERT_EQ(compiled.status, 0) << compiled.err;
  EXPECT_EQ(compiled.last_out_line(), "error_number 0");
  for (const char* name : kCompiled) {
    SCOPED_TRACE(name);
    const std::string tool_bytes = slurp(author / name);
    EXPECT_FALSE(tool_bytes.empty());
    EXPECT_TRUE(tool_bytes == slurp(program_folder / name));
  }
  // The descriptions stay for the author to edit.
  EXPECT_TRUE(std::filesystem::exists(author / "Borgo_Mar_linea.txt"));
  EXPECT_TRUE(std::filesystem::exists(author / "Borgo_Mar_TX 903-.txt"));
}

TEST(EmitCommand, TheEmbeddedScenarioWarnsOfItsDecimalComma) {
  ScratchFolder author;
  ASSERT_EQ(tool({"emit", author.path().string()}).status, 0);
  const ToolRun run =
      tool({"compile", author.path().string(), "--line", "Borgo_Mar", "--train", "TX 903"});
  const auto found = diagnostics(run.err);
  ASSERT_EQ(found.size(), 1u) << run.err;
  EXPECT_EQ(found[0].file, "Borgo_Mar_linea.txt");
  EXPECT_EQ(found[0].label, "warning");
  EXPECT_NE(found[0].source.find("pendenza,  1250,   -4,5"), std::string::npos) << found[0].source;
}

TEST(EmitCommand, RefusesToOverwriteAnAuthorsDocumentsUnlessForced) {
  struct Case {
    const char* name;
    std::vector<std::string> present;  // documents in the folder beforehand
    bool force;
  };
  const Case cases[] = {
      {"the line description", {"Borgo_Mar_linea.txt"}, false},
      {"the notes and the train sheet",
       {"Borgo_Mar_TX 903_note.txt", "Borgo_Mar_TX 903_scheda_treno.txt"},
       false},
      {"forced", {"Borgo_Mar_linea.txt"}, true},
  };
  ScratchFolder reference;
  ASSERT_EQ(tool({"emit", reference.path().string()}).status, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder author;
    for (const std::string& name : c.present) borgo::testing::spit(author / name, "edited");
    std::vector<std::string> words{"emit", author.path().string()};
    if (c.force) words.push_back("--force");
    const ToolRun run = tool(words);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(author.path())) {
      ++files;
      if (c.force) {
        EXPECT_EQ(slurp(entry.path()), slurp(reference / entry.path().filename().string()));
      }
    }
    if (c.force) {
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(files, 6);  // the five documents and the sheet settings
      continue;
    }
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("--force"), std::string::npos) << run.err;
    for (const std::string& name : c.present) {
      EXPECT_NE(run.err.find((author / name).string()), std::string::npos) << run.err;
      EXPECT_EQ(slurp(author / name), "edited");
    }
    EXPECT_EQ(files, static_cast<int>(c.present.size()));  // nothing written
  }
}

#ifndef _WIN32
// The installed tool as an author runs it: statuses and standard output.
TEST(EmitCommand, TheBuiltToolRunsAsAProcess) {
  ScenarioFolder scenario;
  scenario.edit(kTrainDocument, "segnale,    1050", "segnale,    1000");
  const std::filesystem::path out = scenario.path() / "out.txt";
  const std::filesystem::path err = scenario.path() / "err.txt";
  const std::string command = "'" + std::string(BORGO_TOOL) + "' compile '" +
                              scenario.path().string() + "' --line Costa --train 'R 12' --out '" +
                              (scenario.path() / "compiled").string() + "' >'" + out.string() +
                              "' 2>'" + err.string() + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string printed = slurp(out);
  EXPECT_EQ(printed.substr(printed.rfind("error_number")), "error_number 16\n");
  EXPECT_NE(slurp(err).find("Costa_R 12-.txt:17:13: error 16: "), std::string::npos) << slurp(err);
}
#endif

}  // namespace
}  // namespace borgo::tools::testing
