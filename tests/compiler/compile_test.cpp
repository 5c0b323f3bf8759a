// The compile from the descriptions' bytes: what is stamped, and which
// compiled files come out.
#include "compiler/compile.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/error_catalog.hpp"
#include "tests/compiler/reader_fixture.hpp"

namespace borgo::compiler {
namespace {

using testing::ReaderFixture;

struct CompileFixture : ReaderFixture {
  Compilation result;
  const CompileOutcome& outcome() const { return result.outcome; }
  const RouteModel& compiled() const { return *result.model; }
  void compile(std::int32_t j = 1) {
    result = compiler::compile({.line_name = model.line_name,
                                .train_name = model.train_name,
                                .write_line_file = j,
                                .line_description = line,
                                .train_description = train});
  }
  std::vector<std::string> file_names() const {
    std::vector<std::string> names;
    for (const CompiledFile& file : result.files) names.push_back(file.name());
    return names;
  }
};

const std::vector<std::string> kAllThree = {"L_linea.dat", "L_T.sim", "L_T.dat"};

TEST(Compile, ACleanCompileStampsAndHasAllThreeFiles) {
  CompileFixture f;
  f.write_line_body("pendenza, 0, 1\n");
  f.write_train_body("velocita, 0, 30\n");
  f.compile();
  EXPECT_EQ(f.outcome().error_number, 0);
  EXPECT_EQ(f.outcome().fatal, 0);
  EXPECT_TRUE(f.outcome().has_files);
  EXPECT_EQ(f.file_names(), kAllThree);
  EXPECT_EQ(f.compiled().cells[1].value1, 5121);
  EXPECT_EQ(f.compiled().items[kLineRecord].int1, 610);
}

TEST(Compile, ARecordedErrorStillHasTheFiles) {
  CompileFixture f;
  f.write_line_body(
      "indicatori_vmax, 1000, 90, 95, 100, 0, , , , 0\ncartello_indicatore, 1000, x\n");
  f.write_train_body("velocita, 0, 30\n");
  f.compile();
  EXPECT_EQ(f.outcome().error_number, error::kSignCellTaken);
  EXPECT_TRUE(f.outcome().has_files);
  EXPECT_EQ(f.file_names(), kAllThree);
}

TEST(Compile, WithoutTheLineFileOnlyTwoFilesComeOut) {
  CompileFixture f;
  f.write_line_body("curvas1, 100, 100\n");
  f.write_train_body("velocita, 0, 30\n");
  f.compile(0);
  EXPECT_EQ(f.outcome().error_number, 0);
  EXPECT_EQ(f.file_names(), (std::vector<std::string>{"L_T.sim", "L_T.dat"}));
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
    EXPECT_EQ(f.outcome().error_number, c.error);
    EXPECT_EQ(f.outcome().fatal, 0);
    EXPECT_FALSE(f.outcome().has_files);
    EXPECT_TRUE(f.result.files.empty());
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
    EXPECT_EQ(f.outcome().error_number, 0);
    EXPECT_EQ(f.outcome().fatal, c.fatal);
    EXPECT_FALSE(f.outcome().has_files);
    EXPECT_TRUE(f.result.files.empty());
  }
}

TEST(Compile, ItemsAreResetBeforeReading) {
  RouteModel model;
  model.items[40].text = "left over";
  model.items[kLineRecord].int1 = 610;  // a stamp from an earlier compile
  begin_compile(model, 1);
  EXPECT_EQ(model.items[40], ItemRecord{});
  EXPECT_EQ(model.items[kLineRecord], ItemRecord{});
  EXPECT_EQ(model.write_line_file, 1);
}

TEST(Compile, AMissingTrainDescriptionIsARunTimeFailureAfterTheLine) {
  CompileFixture f;
  f.write_line_body("pendenza, 0, 1\n");
  f.compile();
  EXPECT_EQ(f.outcome().error_number, error::kRuntimeFailure);
  EXPECT_EQ(f.outcome().report.error_detail, "L_T-.txt does not exist");
  EXPECT_FALSE(f.outcome().report.error_at);
  EXPECT_EQ(f.compiled().cells[5].gradient_code, 101);  // the line was read
  EXPECT_EQ(f.file_names(), kAllThree);
}

}  // namespace
}  // namespace borgo::compiler
