// The drawing made from the compile's line plan is the drawing made from the
// line file the compile writes, decoded again: what the simulator reads.
#include "tools/drawing/render_input.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "compiler/compile.hpp"
#include "documents/documents.hpp"
#include "tests/support/files.hpp"
#include "tests/tools/decompile/random_scenario.hpp"
#include "tools/drawing/line_render.hpp"

namespace borgo::tools {
namespace {

struct Scenario {
  std::string what;
  std::string line_name;
  std::string train_name;
  std::string line;
  std::string train;
};

// The package's scenario and every pair of descriptions under tests/tools/fixtures.
std::vector<Scenario> scenarios() {
  std::vector<Scenario> found{{"the package's scenario", "Borgo_Mar", "TX 903",
                               documents::render_lines(documents::line_description()),
                               documents::render_lines(documents::train_description())}};
  const std::filesystem::path fixtures =
      std::filesystem::path(BORGO_SOURCE_DIR) / "tests" / "tools" / "fixtures";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(fixtures)) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with("_linea.txt")) continue;
    const std::string line_name = name.substr(0, name.size() - 10);
    for (const auto& other : std::filesystem::directory_iterator(entry.path().parent_path())) {
      const std::string train_file = other.path().filename().string();
      if (!train_file.starts_with(line_name + "_") || !train_file.ends_with("-.txt")) continue;
      found.push_back(
          {train_file, line_name,
           train_file.substr(line_name.size() + 1, train_file.size() - line_name.size() - 6),
           borgo::testing::slurp(entry.path()), borgo::testing::slurp(other.path())});
    }
  }
  return found;
}

// Compiles `scenario` and draws it both ways; false when the compile made no
// files to draw.
bool drawn_alike(const Scenario& scenario, std::int32_t write_line_file) {
  const compiler::Compilation compilation =
      compiler::compile({.line_name = scenario.line_name,
                         .train_name = scenario.train_name,
                         .write_line_file = write_line_file,
                         .line_description = scenario.line,
                         .train_description = scenario.train});
  if (!compilation.outcome.has_files) return false;
  ScenarioNames names;
  names.line = names.line_1252 = scenario.line_name;
  names.train = names.train_1252 = scenario.train_name;
  const RenderInput decoded = render_input_of(compilation, names, "scenario");
  const RenderInput planned = render_input_from_plan(compilation, names, "scenario");
  EXPECT_EQ(planned.plan[0].empty(), write_line_file == 0);
  EXPECT_EQ(planned.plan[0], decoded.plan[0]);
  EXPECT_EQ(planned.plan[1], decoded.plan[1]);
  EXPECT_EQ(planned.cells, decoded.cells);
  EXPECT_EQ(planned.items, decoded.items);
  EXPECT_EQ(render_line_svg(planned), render_line_svg(decoded));
  return true;
}

TEST(RenderInputFromPlan, DrawsWhatTheDecodedLineFileDraws) {
  for (const Scenario& scenario : scenarios()) {
    for (const std::int32_t write_line_file : {1, 0}) {
      SCOPED_TRACE(scenario.what + (write_line_file ? "" : ", no line file"));
      EXPECT_TRUE(drawn_alike(scenario, write_line_file)) << "nothing compiled";
    }
  }
}

// Random lines turn every way, through curves of every radius, and some stop
// on an error part of the way.
TEST(RenderInputFromPlan, DrawsWhatTheDecodedLineFileDrawsForRandomLines) {
  std::mt19937 random(20261211u);
  int drawn = 0;
  for (int draw = 0; draw < 12; ++draw) {
    const borgo::testing::RandomScenario random_scenario = borgo::testing::draw_scenario(random);
    const Scenario scenario{"draw " + std::to_string(draw), "L", "T", random_scenario.line,
                            random_scenario.train};
    SCOPED_TRACE(scenario.what);
    if (drawn_alike(scenario, 1)) ++drawn;
  }
  EXPECT_GT(drawn, 0) << "no draw compiled";
}

}  // namespace
}  // namespace borgo::tools
