// Decompiling scenarios that exist: the package's own, the costa fixture
// and the benchmarks' generated one, each compiled in memory, decompiled
// and compiled again to the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/synthetic_scenario.hpp"
#include "documents/documents.hpp"
#include "tests/support/files.hpp"
#include "tests/tools/decompile/compiled_scenario_files.hpp"
#include "tools/decompile/round_trip_check.hpp"

namespace borgo::tools::decompile {
namespace {

using testing::compile_to_files;
using testing::CompiledScenarioFiles;

// Decompiles the files and compiles the result; the check's verdict.
std::string round_trip(const CompiledScenarioFiles& files) {
  const Decompilation result = decompile(files.input());
  if (!result.descriptions) return "no descriptions: " + describe(*result.misfit);
  return describe(check_round_trip(files.input(), *result.descriptions));
}

const documents::Scenario& package() { return documents::embedded_scenario(); }

std::vector<std::string> unrecovered_of(const Decompilation& result) {
  std::vector<std::string> what;
  for (const Unrecovered& u : result.unrecovered) what.push_back(u.what);
  return what;
}

// Without the line file the curves are not known, and the list says so; the
// files compiled without one come back all the same.
TEST(DecompileRoundTrip, ThePackagesScenario) {
  const std::string line = documents::render_lines(documents::line_description());
  const std::string train = documents::render_lines(documents::train_description());
  const std::vector<std::string> lost{"station column 5", "station column 6", "signal times"};
  for (const bool with_line_file : {true, false}) {
    SCOPED_TRACE(with_line_file ? "with the line file" : "without the line file");
    const CompiledScenarioFiles files =
        compile_to_files(line, train, with_line_file, std::string(package().line_name),
                         std::string(package().train_name));
    EXPECT_EQ(round_trip(files), "exact");
    std::vector<std::string> expected = lost;
    if (!with_line_file) expected.insert(expected.begin(), "curves");
    EXPECT_EQ(unrecovered_of(decompile(files.input())), expected);
  }
}

// The rows of a description, blanks and empty lines left out.
std::vector<std::string> rows_of(const std::string& text) {
  std::vector<std::string> rows;
  std::string row;
  for (const char c : text) {
    if (c == '\n') {
      if (!row.empty()) rows.push_back(row);
      row.clear();
    } else if (c != ' ' && c != '\r') {
      row += c;
    }
  }
  if (!row.empty()) rows.push_back(row);
  return rows;
}

// The files keep nearly all the package's descriptions hold: what comes
// back is its rows in its order, but for what no compiled file tells.
TEST(DecompileRoundTrip, ThePackagesFilesGiveBackThePackagesRows) {
  const std::string line = documents::render_lines(documents::line_description());
  const std::string train = documents::render_lines(documents::train_description());
  const CompiledScenarioFiles files = compile_to_files(
      line, train, true, std::string(package().line_name), std::string(package().train_name));
  const Decompilation result = decompile(files.input());
  ASSERT_TRUE(result.descriptions);
  std::vector<std::string> line_rows = rows_of(line);
  std::vector<std::string> train_rows = rows_of(train);
  // A decimal comma leaves a stray 5, which matches no key; a montagna range
  // of two cells has no fourth cell to mark, so its type 12 (2 with
  // markers) reads back as 2; the clock's three numbers stand apart by
  // blanks in the package and by commas here.
  for (std::string& row : line_rows) {
    if (row == "pendenza,1250,-4,5") row = "pendenza,1250,-4";
    if (row == "montagna,19950,20050,12") row = "montagna,19950,20050,2";
  }
  for (std::string& row : train_rows) {
    if (row == "orologio,142530") row = "orologio,14,25,30";
  }
  EXPECT_EQ(rows_of(result.descriptions->line), line_rows);
  EXPECT_EQ(rows_of(result.descriptions->train), train_rows);
}

TEST(DecompileRoundTrip, TheCostaFixture) {
  const std::string folder = BORGO_SOURCE_DIR "/tests/tools/fixtures/costa/";
  const CompiledScenarioFiles files =
      compile_to_files(testing::slurp(folder + "Costa_linea.txt"),
                       testing::slurp(folder + "Costa_R 12-.txt"), true, "Costa", "R 12");
  EXPECT_EQ(round_trip(files), "exact");
}

TEST(DecompileRoundTrip, TheGeneratedScenarioAtSeveralLengths) {
  for (const std::int32_t length : {100000, 350000, 1000000}) {
    const bench::SyntheticScenario scenario = bench::make_synthetic_scenario(length);
    const CompiledScenarioFiles files =
        compile_to_files(scenario.line_description, scenario.train_description);
    EXPECT_EQ(round_trip(files), "exact") << length << " m";
  }
}

}  // namespace
}  // namespace borgo::tools::decompile
