// memorizza_percorso from fixture documents: what is stamped and written.
#include "compiler/compile.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "compiler/compiled_files.hpp"
#include "compiler/error_catalog.hpp"
#include "tests/compiler/reader_fixture.hpp"
#include "tests/support/compiled_decoder.hpp"

namespace borgo::compiler {
namespace {

using testing::ReaderFixture;

struct CompileFixture : ReaderFixture {
  CompileOutcome outcome;
  void compile(std::int32_t j = 1) { outcome = memorizza_percorso(model, folder.path(), j); }
  bool written(const std::string& name) const { return std::filesystem::exists(folder / name); }
  int compiled_files() const {
    return written(line_file_name(model)) + written(train_file_name(model)) +
           written(cell_file_name(model));
  }
};

TEST(Compile, ACleanCompileStampsAndWritesAllThreeFiles) {
  CompileFixture f;
  f.write_line_body("pendenza, 0, 1\n");
  f.write_train_body("velocita, 0, 30\n");
  f.compile();
  EXPECT_EQ(f.outcome.error_number, 0);
  EXPECT_EQ(f.outcome.fatal, 0);
  EXPECT_TRUE(f.outcome.files_written);
  EXPECT_EQ(f.compiled_files(), 3);
  EXPECT_EQ(f.model.cells[1].value1, 5121);
  EXPECT_EQ(f.model.items[kLineRecord].int1, 610);
}

TEST(Compile, ARecordedErrorStillWritesTheFiles) {
  CompileFixture f;
  f.write_line_body(
      "indicatori_vmax, 1000, 90, 95, 100, 0, , , , 0\ncartello_indicatore, 1000, x\n");
  f.write_train_body("velocita, 0, 30\n");
  f.compile();
  EXPECT_EQ(f.outcome.error_number, error::kSignCellTaken);
  EXPECT_TRUE(f.outcome.files_written);
  EXPECT_EQ(f.compiled_files(), 3);
}

TEST(Compile, WithoutTheLineFileOnlyTwoFilesAreWritten) {
  CompileFixture f;
  f.write_line_body("curvas1, 100, 100\n");
  f.write_train_body("velocita, 0, 30\n");
  f.compile(0);
  EXPECT_EQ(f.outcome.error_number, 0);
  EXPECT_FALSE(f.written(line_file_name(f.model)));
  EXPECT_EQ(f.compiled_files(), 2);
}

TEST(Compile, WithoutACellGridNothingIsStampedOrWritten) {
  struct Case {
    const char* name;
    const char* line;  // nullptr: no line description
    std::int32_t error;
  };
  const Case cases[] = {
      {"no line description", nullptr, 101},
      {"no general section", "nothing here\n", 102},
      {"line too long", "[generale]\nlunghezza percorso, 2000000\n[curve]\n[fine]\n", 1},
      {"repetition start", "[generale]\nripetizione segnali 4, 10, 0\n[curve]\n[fine]\n", 3},
      {"no length row", "[generale]\n[curve]\npendenza, 0, 1\n[fine]\n", 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompileFixture f;
    if (c.line != nullptr) f.write_line(c.line);
    f.write_train_body("velocita, 0, 30\n");
    f.compile();
    EXPECT_EQ(f.outcome.error_number, c.error);
    EXPECT_EQ(f.outcome.fatal, 0);
    EXPECT_FALSE(f.outcome.files_written);
    EXPECT_EQ(f.compiled_files(), 0);
  }
}

TEST(Compile, FeaturesInCellOneMakeTheStampFatal) {
  struct Case {
    const char* name;
    const char* line_body;
    const char* train_body;
    std::int32_t fatal;
  };
  const Case cases[] = {
      {"indicators at 0 m set the first value", "indicatori_vmax, 0, 90, 95, 100, 0, , , , 0\n", "",
       1250},
      {"a slow-down of speed 0 at 0 m sets only the second value", "",
       "rallentamento, 0, 0, 600, 0, 0, 60\n", 1251},
      {"the code pass fills cell 1 when cells 3 and 2 are taken",
       "cartello_indicatore, 100, a\ncartello_indicatore, 50, b\n",
       "rallentamento, 350, 120, 600, 0, 0, 0\n", 1250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompileFixture f;
    f.write_line_body(c.line_body);
    f.write_train_body(c.train_body);
    f.compile();
    EXPECT_EQ(f.outcome.error_number, 0);
    EXPECT_EQ(f.outcome.fatal, c.fatal);
    EXPECT_FALSE(f.outcome.files_written);
    EXPECT_EQ(f.compiled_files(), 0);
    EXPECT_FALSE(std::filesystem::exists(f.line_path()));
    EXPECT_FALSE(std::filesystem::exists(f.train_path()));
  }
}

TEST(Compile, ItemsAreResetBeforeReading) {
  CompileFixture f;
  f.model.items[40].text = "left over";
  f.model.items[kLineRecord].int1 = 610;  // a stamp from an earlier compile
  f.write_line_body("");
  f.write_train_body("");
  f.compile();
  EXPECT_EQ(f.outcome.fatal, 0);
  EXPECT_EQ(f.model.items[40], ItemRecord{});
}

}  // namespace
}  // namespace borgo::compiler
