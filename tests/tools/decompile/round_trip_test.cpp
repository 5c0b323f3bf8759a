// Decompiling scenarios that exist: the package's own, the costa fixture
// and the benchmarks' generated one, each compiled in memory, decompiled
// and compiled again to the same bytes.
#include <gtest/gtest.h>

#include <string>

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

TEST(DecompileRoundTrip, ThePackagesScenario) {
  const std::string line = documents::render_lines(documents::line_description());
  const std::string train = documents::render_lines(documents::train_description());
  for (const bool with_line_file : {true, false}) {
    const CompiledScenarioFiles files =
        compile_to_files(line, train, with_line_file, std::string(package().line_name),
                         std::string(package().train_name));
    EXPECT_EQ(round_trip(files), "exact") << (with_line_file ? "with" : "without") << " line file";
  }
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
