// Runs the real program, copied into a temporary folder, as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/disk_faults.hpp"
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

// Copies of the program started at the same moment in one folder (a user
// who double-clicks twice, or three times) run one after the other: each
// does its whole job, and every round leaves exactly the files of a lone run,
// over the files of the round before as in an empty folder.
TEST(ProgramRun, CopiesStartedTogetherLeaveTheFilesOfOneRun) {
  ScratchFolder lone;
  const RunResult expected = run_program_in(lone.path());
  ASSERT_EQ(expected.exit_status, 0);
  for (const int copies : {2, 3}) {
    ScratchFolder folder;
    const std::filesystem::path program =
        folder.path() / std::filesystem::path(BORGO_PROGRAM).filename();
    std::filesystem::copy_file(BORGO_PROGRAM, program);
    for (int round = 1; round <= 5; ++round) {
      SCOPED_TRACE(std::to_string(copies) + " copies, round " + std::to_string(round));
      const std::vector<int> statuses = borgo::testing::run_programs_together(program, copies);
      EXPECT_EQ(statuses, std::vector<int>(static_cast<std::size_t>(copies), 0));
      std::map<std::string, std::string> files;
      for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        if (entry.path() != program) files[entry.path().filename().string()] = slurp(entry.path());
      }
      EXPECT_EQ(borgo::testing::entry_differences(files, expected.files), "");
    }
  }
}

}  // namespace
