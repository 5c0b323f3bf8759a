// The real program compiles the embedded scenario in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/support/compiled_decoder.hpp"
#include "tests/support/files.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/scratch_folder.hpp"

namespace {

using namespace borgo::testing;

class ScenarioRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new ScratchFolder;
    const std::filesystem::path program =
        folder_->path() / std::filesystem::path(BORGO_PROGRAM).filename();
    std::filesystem::copy_file(BORGO_PROGRAM, program);
    exit_status_ = run_program(program);
  }
  static void TearDownTestSuite() { delete folder_; }
  static std::string file(const std::string& name) { return slurp(folder_->path() / name); }
  static bool exists(const std::string& name) {
    return std::filesystem::exists(folder_->path() / name);
  }

  static ScratchFolder* folder_;
  static int exit_status_;
};
ScratchFolder* ScenarioRun::folder_ = nullptr;
int ScenarioRun::exit_status_ = -1;

TEST_F(ScenarioRun, CompilesWithoutARecordedError) { EXPECT_EQ(exit_status_, 0); }

TEST_F(ScenarioRun, LeavesTheServiceDocumentsAndDeletesTheDescriptions) {
  EXPECT_TRUE(exists("Borgo_Mar_TX 903_scheda_treno.txt"));
  EXPECT_TRUE(exists("Borgo_Mar_TX 903_rallentamenti.txt"));
  EXPECT_TRUE(exists("Borgo_Mar_TX 903_note.txt"));
  EXPECT_FALSE(exists("Borgo_Mar_linea.txt"));
  EXPECT_FALSE(exists("Borgo_Mar_TX 903-.txt"));
}

TEST_F(ScenarioRun, CellFileHoldsTheGridWithItsStamps) {
  const std::string bytes = file("Borgo_Mar_TX 903.dat");
  ASSERT_EQ(bytes.size(), 6821u * 15);
  const auto cells = decode_cells(bytes);
  EXPECT_EQ(cells[1].value1, 5121);
  EXPECT_EQ(cells[1].value2, 2552);
  // The first signal row: cell 22 with its packed aspects and marks.
  EXPECT_EQ(cells[22].kind, 1);
  EXPECT_EQ(cells[22].value1, 42);
  EXPECT_EQ(cells[22].value4, 8);
  EXPECT_EQ(cells[22].signal_time, 210);
  EXPECT_EQ(cells[20].approach_mark, 81);
  // The slow-down at 140400: board, start and end.
  EXPECT_EQ(cells[2785].kind, 4);
  EXPECT_EQ(cells[2809].kind, 3);
  EXPECT_EQ(cells[2821].kind, 2);
  EXPECT_EQ(cells[2809].value1, 60);
  // Gradients: the last three cells keep 0.
  EXPECT_EQ(cells[6817].gradient_code != 0, true);
  EXPECT_EQ(cells[6818].gradient_code, 0);
  EXPECT_EQ(cells[6820].gradient_code, 0);
}

TEST_F(ScenarioRun, TrainFileHoldsTheSpecialRecords) {
  const auto items = decode_items(file("Borgo_Mar_TX 903.sim"));
  ASSERT_EQ(items.size(), 87u);
  EXPECT_EQ(items[85].text, "Borgo_Mar");
  EXPECT_EQ(items[85].int1, 610);
  EXPECT_EQ(items[85].seconds, 35746);
  EXPECT_EQ(items[86].text, "TX 903");
  EXPECT_EQ(items[86].int1, 180);
  EXPECT_EQ(items[86].int3, 14);
  EXPECT_EQ(items[86].int4, 25);
  EXPECT_EQ(items[86].int5, 30);
  EXPECT_EQ(items[86].start, 8000);
  EXPECT_EQ(items[86].end, 330700);
  EXPECT_EQ(items[86].position, 9);
  EXPECT_EQ(items[84].start, 130);
  EXPECT_EQ(items[84].end, 334000);
  EXPECT_EQ(items[84].position, 12);
  EXPECT_EQ(items[81].start, 315950);
  EXPECT_EQ(items[81].end, 412150);
  EXPECT_EQ(items[83].start, 31100);
  EXPECT_EQ(items[1].text, "Roma Termini");
  EXPECT_EQ(items[1].seconds, 14 * 3600 + 25 * 60 + 30);
  EXPECT_EQ(items[0].text, "");
  EXPECT_EQ(items[0].start, 0);
}

TEST_F(ScenarioRun, LineFileHoldsThePlanColumnByColumn) {
  const auto entries = decode_line_plan(file("Borgo_Mar_linea.dat"));
  const std::size_t metres = 341001;
  ASSERT_EQ(entries.size(), 2 * metres);
  EXPECT_EQ(entries[0].type, 2);  // (0, 0)
  EXPECT_EQ(entries[1].type, 2);  // (1, 0)
  EXPECT_EQ(entries[2].type, 5);  // (2, 0)
  EXPECT_EQ(entries[metres - 1].type, 0);
  EXPECT_EQ(entries[metres - 2].type, 0);
  EXPECT_EQ(entries[metres - 3].type, 5);
  EXPECT_EQ(entries[metres].type, 2);      // (0, 1)
  EXPECT_EQ(entries[metres + 1].type, 2);  // (1, 1) right after it
  EXPECT_EQ(entries[metres + 1].value, 1.0);
}

}  // namespace
