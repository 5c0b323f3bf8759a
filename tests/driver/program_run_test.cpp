// Runs the real program, copied into a temporary folder, as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "tests/support/files.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/scratch_folder.hpp"

namespace {

using borgo::testing::run_program;
using borgo::testing::ScratchFolder;
using borgo::testing::slurp;

struct RunResult {
  int exit_status;
  std::map<std::string, std::string> files;  // every file the run left, by name
};

RunResult run_program_in(const std::filesystem::path& folder) {
  const std::filesystem::path program = folder / std::filesystem::path(BORGO_PROGRAM).filename();
  if (!std::filesystem::exists(program)) std::filesystem::copy_file(BORGO_PROGRAM, program);
  RunResult result{run_program(program), {}};
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path() == program) continue;
    result.files[entry.path().filename().string()] = slurp(entry.path());
  }
  return result;
}

TEST(ProgramRun, LeavesTheServiceDocumentsWithTheirSizes) {
  ScratchFolder folder;
  const RunResult run = run_program_in(folder.path());
  EXPECT_EQ(run.exit_status, 0);
  const std::map<std::string, std::pair<std::size_t, std::size_t>> expected = {
      {"Borgo_Mar_TX 903_scheda_treno.txt", {200, 15711}},
      {"Borgo_Mar_TX 903_rallentamenti.txt", {46, 3279}},
      {"Borgo_Mar_TX 903_note.txt", {61, 5485}},
  };
  for (const auto& [name, size] : expected) {
    ASSERT_TRUE(run.files.count(name)) << name;
    const std::string& bytes = run.files.at(name);
    EXPECT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')), size.first);
    EXPECT_EQ(bytes.size(), size.second) << name;
  }
}

TEST(ProgramRun, ASecondRunLeavesByteIdenticalFiles) {
  ScratchFolder folder;
  const RunResult first = run_program_in(folder.path());
  const RunResult second = run_program_in(folder.path());
  EXPECT_EQ(first.exit_status, second.exit_status);
  EXPECT_EQ(first.files, second.files);
}

// The program's folder may have any name the system allows, also one that a
// narrow (code page) file name cannot spell.
TEST(ProgramRun, RunsTheSameInAFolderWithAnAccentedName) {
  ScratchFolder plain;
  ScratchFolder outer;
  const std::filesystem::path accented = outer.path() / u8"Citt\u00e0 \u65c5";
  std::filesystem::create_directory(accented);
  const RunResult expected = run_program_in(plain.path());
  const RunResult run = run_program_in(accented);
  EXPECT_EQ(run.exit_status, expected.exit_status);
  EXPECT_EQ(run.files, expected.files);
}

}  // namespace
