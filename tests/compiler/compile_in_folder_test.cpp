// The program's compile in its folder: which documents it deletes and when,
// and the files it writes, the same as the compile from bytes.
#include "compiler/compile_in_folder.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compile.hpp"
#include "compiler/error_catalog.hpp"
#include "storage/byte_sink.hpp"
#include "tests/compiler/reader_fixture.hpp"
#include "tests/support/disk_faults.hpp"

namespace borgo::compiler {
namespace {

using testing::FolderReaderFixture;
using testing::kShortGeneral;

constexpr std::string_view kPlainTrain = "[generale]\nvelocita, 0, 30\n[fine]\n";

std::vector<std::string> names_of(const std::map<std::string, std::string>& entries) {
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.first);
  return names;
}

// `row` written `times` times, one under the other.
std::string repeated(std::string_view row, int times) {
  std::string rows;
  for (int i = 0; i < times; ++i) rows += row;
  return rows;
}

TEST(DescriptionCleanup, NoDescriptionSurvivesARunTimeFailure) {
  struct Case {
    const char* name;
    std::string line;
    std::optional<std::string> train;  // nullopt: no train description at all
    const char* failure;               // a piece of the failure's own account
  };
  const std::string general(kShortGeneral);
  const std::string line = general + "[fine]\n";
  const Case cases[] = {
      {"line description ends inside a row", general + "pendenza, 1000", std::string(kPlainTrain),
       "past the end"},
      {"train description ends inside a row", line, "[generale]\nsegnale, 1000, 2", "past the end"},
      {"line value too large for 32 bits", general + "pendenza, 1000, 99999999999\n[fine]\n",
       std::string(kPlainTrain), "too large"},
      {"train value too large for 8 bits", line,
       "[generale]\nstazione, 5000, 256, 600, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, a\n[fine]\n",
       "too large"},
      {"indicator speed that does not fit 16 bits",
       general + "indicatori_vmax, 1000, 2000, 95, 100, 0, 0, 0, 0, 0\n[fine]\n",
       std::string(kPlainTrain), "overflow"},
      {"station time that does not fit 32 bits", line,
       "[generale]\nstazione, 5000, 1, 600, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 2147483647, 0, 0, a\n"
       "[fine]\n",
       "overflow"},
      {"missing train description", line, std::nullopt, "L_T-.txt"},
      {"gradient fill pushed past the grid",
       general + repeated("pendenza, 26900, 1\n", 8) + "[fine]\n", std::string(kPlainTrain),
       "outside the grid"},
      {"adhesion fill pushed past the grid", line,
       "[generale]\n" + repeated("aderenza, 26900, 5\n", 8) + "[fine]\n", "outside the grid"},
  };
  for (const Case& c : cases) {
    for (const std::int32_t j : {0, 1}) {
      SCOPED_TRACE(std::string(c.name) + (j != 0 ? ", with the line file" : ""));
      FolderReaderFixture f;
      f.write_line(c.line);
      if (c.train) f.write_train(*c.train);
      f.put_documents_in_folder();
      const CompileOutcome outcome = memorizza_percorso(f.model, f.folder.path(), j);
      EXPECT_EQ(outcome.error_number, error::kRuntimeFailure) << outcome.report.error_detail;
      EXPECT_NE(outcome.report.error_detail.find(c.failure), std::string::npos)
          << outcome.report.error_detail;
      EXPECT_FALSE(std::filesystem::exists(f.line_path()));
      EXPECT_FALSE(std::filesystem::exists(f.train_path()));
    }
  }
}

// The line description is deleted before the train description is read: a
// train description that is only a link to the line description is gone by
// the time it is read, a missing document.
TEST(CompileInFolder, DeletesTheLineDescriptionBeforeReadingTheTrain) {
  FolderReaderFixture f;
  f.write_line_body("pendenza, 0, 1\n");
  f.put_documents_in_folder();
  std::error_code failed;
  std::filesystem::create_symlink(f.line_path().filename(), f.train_path(), failed);
  if (failed) GTEST_SKIP() << "no symbolic links here: " << failed.message();
  const CompileOutcome outcome = memorizza_percorso(f.model, f.folder.path(), 1);
  EXPECT_EQ(outcome.error_number, error::kRuntimeFailure);
  EXPECT_NE(outcome.report.error_detail.find("L_T-.txt"), std::string::npos)
      << outcome.report.error_detail;
  EXPECT_FALSE(std::filesystem::exists(f.line_path()));
  EXPECT_FALSE(std::filesystem::is_symlink(f.train_path()));
}

// What the program's compile leaves in its folder is what the compile from
// bytes makes: the same outcome and the same files, byte for byte.
TEST(CompileInFolder, WritesExactlyTheFilesOfTheCompileFromBytes) {
  struct Case {
    const char* name;
    std::optional<std::string> line;
    std::optional<std::string> train;
    std::int32_t j;
    bool train_left;  // the train description stays in the folder
  };
  const std::string general(kShortGeneral);
  const Case cases[] = {
      {"clean", general + "pendenza, 0, 1\ncurvas2, 100, 300\n[fine]\n", std::string(kPlainTrain),
       1, false},
      {"clean, no line file", general + "pendenza, 0, 1\n[fine]\n", std::string(kPlainTrain), 0,
       false},
      {"a sign on an indicator board",
       general + "indicatori_vmax, 1000, 90, 95, 100, 0, , , , 0\ncartello_indicatore, 1000, x\n"
                 "[fine]\n",
       std::string(kPlainTrain), 1, true},
      {"no train description", general + "pendenza, 0, 1\n[fine]\n", std::nullopt, 1, false},
      {"no line description", std::nullopt, std::string(kPlainTrain), 1, true},
      {"a fatal contest error", general + "indicatori_vmax, 0, 90, 95, 100, 0, , , , 0\n[fine]\n",
       std::string(kPlainTrain), 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FolderReaderFixture f;
    if (c.line) f.write_line(*c.line);
    if (c.train) f.write_train(*c.train);
    const Compilation from_bytes = compile({.line_name = "L",
                                            .train_name = "T",
                                            .write_line_file = c.j,
                                            .line_description = f.line,
                                            .train_description = f.train});
    f.put_documents_in_folder();
    const CompileOutcome outcome = memorizza_percorso(f.model, f.folder.path(), c.j);
    EXPECT_EQ(outcome.error_number, from_bytes.outcome.error_number);
    EXPECT_EQ(outcome.fatal, from_bytes.outcome.fatal);
    EXPECT_EQ(outcome.has_files, from_bytes.outcome.has_files);
    std::map<std::string, std::string> expected;
    for (const CompiledFile& file : from_bytes.files) {
      expected[file.name()] = storage::bytes_of(file);
    }
    // The train description is read only after a line description read to its end.
    if (c.train_left) expected["L_T-.txt"] = *f.train;
    const std::map<std::string, std::string> left = borgo::testing::folder_entries(f.folder.path());
    EXPECT_EQ(names_of(left), names_of(expected));
    for (const auto& [name, bytes] : expected) {
      const auto found = left.find(name);
      EXPECT_TRUE(found != left.end() && found->second == bytes) << name << " differs";
    }
  }
}

TEST(CompileInFolder, ReplacesOlderCompiledFilesAndLeavesAnOldLineFileWithoutJ) {
  FolderReaderFixture f;
  f.write_line_body("pendenza, 0, 1\n");
  f.write_train(kPlainTrain);
  f.put_documents_in_folder();
  borgo::testing::spit(f.folder / "L_T.dat", std::string(1000000, 'x'));
  borgo::testing::spit(f.folder / "L_linea.dat", "old");
  memorizza_percorso(f.model, f.folder.path(), 0);
  EXPECT_EQ(borgo::testing::slurp(f.folder / "L_T.dat").size(),
            (static_cast<std::size_t>(f.model.cell_last) + 1) * 15);
  EXPECT_EQ(borgo::testing::slurp(f.folder / "L_linea.dat"), "old");
  EXPECT_TRUE(std::filesystem::exists(f.folder / "L_T.sim"));
}

TEST(CompileInFolder, ResetsTheItemsOfAnEarlierCompile) {
  FolderReaderFixture f;
  f.model.items[40].text = "left over";
  f.model.items[kLineRecord].int1 = 610;  // a stamp from an earlier compile
  f.write_line_body("");
  f.write_train_body("");
  f.put_documents_in_folder();
  const CompileOutcome outcome = memorizza_percorso(f.model, f.folder.path(), 1);
  EXPECT_EQ(outcome.fatal, 0);
  EXPECT_EQ(f.model.items[40], ItemRecord{});
}

}  // namespace
}  // namespace borgo::compiler
