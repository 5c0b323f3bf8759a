// A run-time failure anywhere in reading, placement included, is error 25,
// and neither description survives it.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "compiler/compile.hpp"
#include "compiler/error_catalog.hpp"
#include "tests/compiler/reader_fixture.hpp"

namespace borgo::compiler {
namespace {

using testing::kShortGeneral;
using testing::ReaderFixture;

constexpr std::string_view kPlainTrain = "[generale]\nvelocita, 0, 30\n[fine]\n";

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
      ReaderFixture f;
      f.write_line(c.line);
      if (c.train) f.write_train(*c.train);
      const CompileOutcome outcome = memorizza_percorso(f.model, f.folder.path(), j);
      EXPECT_EQ(outcome.error_number, error::kRuntimeFailure) << outcome.report.error_detail;
      EXPECT_NE(outcome.report.error_detail.find(c.failure), std::string::npos)
          << outcome.report.error_detail;
      EXPECT_FALSE(std::filesystem::exists(f.line_path()));
      EXPECT_FALSE(std::filesystem::exists(f.train_path()));
    }
  }
}

}  // namespace
}  // namespace borgo::compiler
