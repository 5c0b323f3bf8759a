// The preview's compile-and-render step: what it tells the page of a
// compile, where the drawing's features come from, and which drawing a build
// that cannot make one keeps.
#include "tools/preview/build.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/files.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools {
namespace {

using Json = nlohmann::json;
using testing::kLine;
using testing::kLineDocument;
using testing::kTrain;
using testing::kTrainDocument;
using testing::ScenarioFolder;

ScenarioNames costa_names() {
  ScenarioNames names;
  names.line = names.line_1252 = kLine;
  names.train = names.train_1252 = kTrain;
  return names;
}

Json outcome_of(const PreviewState& state) { return Json::parse(state.outcome_json); }

// Every file in a folder with its bytes.
std::map<std::string, std::string> contents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = borgo::testing::slurp(entry.path());
  }
  return files;
}

TEST(PreviewBuild, TiesEachDrawnFeatureToItsRowPlaceCellsAndKilometre) {
  ScenarioFolder scenario;
  const auto before = contents(scenario.path());
  PreviewBuilder builder(scenario.path(), costa_names());
  const auto state = builder.build();
  const Json outcome = outcome_of(*state);

  EXPECT_EQ(state->generation, 1u);
  EXPECT_EQ(outcome["error_number"], 0);
  EXPECT_EQ(outcome["fatal"], 0);
  EXPECT_EQ(outcome["summary"], "0 errors, 0 warnings");
  EXPECT_TRUE(outcome["problem"].is_null());
  EXPECT_TRUE(outcome["diagnostics"].empty());
  ASSERT_TRUE(state->drawing);
  EXPECT_NE(state->drawing->find("<svg"), std::string::npos);
  const Json& drawing = outcome["drawing"];
  EXPECT_EQ(drawing["generation"], 1);
  EXPECT_EQ(drawing["current"], true);

  // The progressive changes at 3100 m to add 3050 m; speed indicators and
  // code points are not drawn, so they have no mark.
  const struct {
    const char* kind;
    const std::string& document;
    int line;
    int position;
    int end;
    int first_cell;
    int last_cell;
    const char* km;
    const char* end_km;
    const char* label;
    bool in_plan;
  } expected[] = {
      {"montagna", kLineDocument, 14, 5000, 6000, 100, 119, "8+050", "9+050", "montagna range",
       false},
      {"sign", kLineDocument, 18, 2950, 2950, 60, 60, "2+950", "2+950", "(  Cippo  )(Km 6+000)",
       false},
      {"station", kTrainDocument, 12, 0, 0, 1, 1, "0+000", "0+000", "Capo Nord", true},
      {"station", kTrainDocument, 13, 9000, 9000, 181, 181, "12+050", "12+050", "Borgo Sud", true},
      {"slow-down", kTrainDocument, 15, 12000, 12600, 241, 253, "15+050", "15+650", "60 km/h",
       false},
      {"signal", kTrainDocument, 17, 1050, 1050, 22, 22, "1+050", "1+050", "signal", true},
      {"signal", kTrainDocument, 18, 8000, 8000, 161, 161, "11+050", "11+050", "signal", true},
  };
  const Json& features = drawing["features"];
  ASSERT_EQ(features.size(), std::size(expected)) << features.dump(1);
  const double lanes_top = drawing["lanes"][0];
  const double lanes_bottom = drawing["lanes"][1];
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const Json& f = features[i];
    const auto& e = expected[i];
    SCOPED_TRACE(f.dump());
    EXPECT_EQ(f["kind"], e.kind);
    EXPECT_EQ(std::filesystem::path(f["file"].get<std::string>()).filename(), e.document);
    EXPECT_EQ(f["line"], e.line);
    EXPECT_EQ(f["position"], e.position);
    EXPECT_EQ(f["end"], e.end);
    EXPECT_EQ(f["cells"], Json::array({e.first_cell, e.last_cell}));
    EXPECT_EQ(f["km"], e.km);
    EXPECT_EQ(f["end_km"], e.end_km);
    EXPECT_NE(f["label"].get<std::string>().find(e.label), std::string::npos);
    EXPECT_EQ(!f["plan"].is_null(), e.in_plan);
    EXPECT_LE(f["x0"].get<double>(), f["x1"].get<double>());
    EXPECT_LE(lanes_top, f["y0"].get<double>());
    EXPECT_LT(f["y0"].get<double>(), f["y1"].get<double>());
    EXPECT_LE(f["y1"].get<double>(), lanes_bottom);
  }
  // Further along the line is further right.
  EXPECT_LT(features[2]["x0"].get<double>(), features[3]["x0"].get<double>());

  EXPECT_EQ(contents(scenario.path()), before) << "the author's folder stays as it was";
}

TEST(PreviewBuild, GivesADiagnosticInPartsWithThePlaceOfItsRow) {
  ScenarioFolder scenario;
  // The first signal moved onto the speed indicators at 1000 m.
  scenario.edit(kTrainDocument, "segnale,    1050", "segnale,    1000");
  PreviewBuilder builder(scenario.path(), costa_names());
  const Json outcome = outcome_of(*builder.build());

  EXPECT_EQ(outcome["error_number"], 16);
  ASSERT_EQ(outcome["diagnostics"].size(), 1u);
  const Json& d = outcome["diagnostics"][0];
  EXPECT_EQ(d["severity"], "error");
  EXPECT_EQ(d["number"], 16);
  EXPECT_EQ(std::filesystem::path(d["file"].get<std::string>()).filename(), kTrainDocument);
  EXPECT_EQ(d["line"], 17);
  EXPECT_EQ(d["column"], 13);
  EXPECT_NE(d["message"].get<std::string>().find("held by a pair of speed indicators"),
            std::string::npos);
  EXPECT_EQ(d["source"], "segnale,    1000,   2, 4, 1,  1, 0,    2,  2,1,1, 210");
  EXPECT_EQ(d["caret"], "            ^~~~");
  ASSERT_TRUE(d["place"].is_object()) << d.dump();
  EXPECT_EQ(d["place"]["position"], 1000);

  // The signal that failed placed nothing, and reading stopped there.
  const Json& features = outcome["drawing"]["features"];
  EXPECT_TRUE(std::none_of(features.begin(), features.end(), [](const Json& f) {
    return f["kind"] == "signal";
  })) << features.dump(1);
}

// A slow-down order drafted, then its row moved: the page is told by a
// warning naming the order's line, placed where the row now is.
TEST(PreviewBuild, WarnsOfAServiceDocumentThatNoLongerGoesWithTheDescriptions) {
  ScenarioFolder scenario;
  ASSERT_EQ(
      testing::tool({"documents", scenario.path().string(), "--line", kLine, "--train", kTrain})
          .status,
      0);
  scenario.edit(kTrainDocument, "rallentamento,  12000", "rallentamento,  13000");
  PreviewBuilder builder(scenario.path(), costa_names());
  const Json outcome = outcome_of(*builder.build());

  EXPECT_EQ(outcome["error_number"], 0);
  EXPECT_EQ(outcome["summary"], "0 errors, 1 warning");
  ASSERT_EQ(outcome["diagnostics"].size(), 1u) << outcome.dump(1);
  const Json& d = outcome["diagnostics"][0];
  EXPECT_EQ(d["severity"], "warning");
  EXPECT_EQ(std::filesystem::path(d["file"].get<std::string>()).filename(),
            "Costa_R 12_rallentamenti.txt");
  EXPECT_EQ(d["line"], 13);
  EXPECT_NE(d["message"].get<std::string>().find("slow-down 1 differs from its row"),
            std::string::npos)
      << d.dump();
  ASSERT_TRUE(d["place"].is_object()) << d.dump();
  EXPECT_EQ(d["place"]["position"], 13000);
}

// Reading stops at the first error: the drawing holds only what came before,
// and the page is told where that was and from where nothing more was read.
TEST(PreviewBuild, TellsWhereAnErrorStoppedTheReading) {
  const struct {
    const char* name;
    const std::string* document;
    const char* from;
    const char* to;
    int line;  // 0: the reading did not stop
    int number;
    bool train_read;
    int position;  // -1: none, the whole line is shaded
  } cases[] = {
      {"clean", &kTrainDocument, "", "", 0, 0, true, 0},
      {"a signal on the speed indicators", &kTrainDocument, "segnale,    1050", "segnale,    1000",
       17, 16, true, 1000},
      {"a station off the grid", &kTrainDocument, "stazione,    9000", "stazione,    9010", 13, 8,
       true, 9010},
      {"a gradient beyond the grid", &kLineDocument, "pendenza,  8000", "pendenza,  30000", 12, 15,
       false, -1},
      // Found once everything was read.
      {"a progressive off the grid", &kLineDocument, "3100,    3050", "3100,    3055", 0, 2, true,
       0},
  };
  // Where the route axis begins: the clean scenario's station at 0 m.
  double start = -1;
  {
    ScenarioFolder clean;
    PreviewBuilder builder(clean.path(), costa_names());
    const Json outcome = outcome_of(*builder.build());
    for (const Json& f : outcome["drawing"]["features"]) {
      if (f["kind"] == "station" && f["position"] == 0) start = f["x0"];
    }
    ASSERT_GE(start, 0);
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    if (*c.from != '\0') scenario.edit(*c.document, c.from, c.to);
    PreviewBuilder builder(scenario.path(), costa_names());
    const Json outcome = outcome_of(*builder.build());
    EXPECT_EQ(outcome["error_number"], c.number);
    ASSERT_TRUE(outcome["drawing"].is_object());
    const Json& stopped = outcome["drawing"]["stopped"];
    if (c.line == 0) {
      EXPECT_TRUE(stopped.is_null()) << stopped.dump();
      continue;
    }
    ASSERT_TRUE(stopped.is_object()) << outcome.dump(1);
    EXPECT_EQ(std::filesystem::path(stopped["file"].get<std::string>()).filename(), *c.document);
    EXPECT_EQ(stopped["line"], c.line);
    EXPECT_EQ(stopped["number"], c.number);
    EXPECT_EQ(stopped["train_read"], c.train_read);
    // The shading runs from the stop's place on the route axis to its end.
    const double x0 = stopped["x0"];
    const double x1 = stopped["x1"];
    ASSERT_LT(start, x1);
    if (c.position < 0) {
      EXPECT_TRUE(stopped["position"].is_null());
      EXPECT_DOUBLE_EQ(x0, start);
    } else {
      EXPECT_EQ(stopped["position"], c.position);
      EXPECT_NEAR((x0 - start) / (x1 - start), c.position / 20000.0, 1e-9);
    }
  }
}

// An editor that saves in two writes can be caught in between: the page then
// keeps the last good drawing, says why, and takes the next good one.
TEST(PreviewBuild, KeepsTheLastGoodDrawingWhileADescriptionIsHalfWritten) {
  ScenarioFolder scenario;
  PreviewBuilder builder(scenario.path(), costa_names());
  const auto good = builder.build();
  ASSERT_TRUE(good->drawing);

  const std::string whole = scenario.read(kTrainDocument);
  const std::size_t cut = whole.find("segnale,    8000");
  ASSERT_NE(cut, std::string::npos);
  borgo::testing::spit(scenario.path() / kTrainDocument, whole.substr(0, cut + 12));
  const auto half = builder.build();
  const Json outcome = outcome_of(*half);
  EXPECT_EQ(half->generation, 2u);
  EXPECT_EQ(outcome["error_number"], 25);
  EXPECT_NE(outcome["problem"].get<std::string>().find("run-time failure"), std::string::npos);
  EXPECT_EQ(outcome["drawing"]["generation"], 1);
  EXPECT_EQ(outcome["drawing"]["current"], false);
  EXPECT_EQ(half->drawing, good->drawing);
  ASSERT_FALSE(outcome["diagnostics"].empty());
  EXPECT_EQ(outcome["diagnostics"].back()["number"], 25);
  EXPECT_TRUE(outcome["diagnostics"].back()["place"].is_null()) << "no place on an old drawing";

  borgo::testing::spit(scenario.path() / kTrainDocument, whole);
  const auto again = builder.build();
  const Json fixed = outcome_of(*again);
  EXPECT_EQ(fixed["drawing"]["generation"], 3);
  EXPECT_EQ(fixed["drawing"]["current"], true);
  EXPECT_TRUE(fixed["problem"].is_null());
}

TEST(PreviewBuild, NamesADocumentThatCannotBeRead) {
  ScenarioFolder scenario;
  PreviewBuilder builder(scenario.path(), costa_names());
  const auto good = builder.build();
  std::filesystem::remove(scenario.path() / kTrainDocument);
  std::filesystem::create_directory(scenario.path() / kTrainDocument);

  const auto unread = builder.build();
  const Json outcome = outcome_of(*unread);
  EXPECT_TRUE(outcome["error_number"].is_null());
  const std::string problem = outcome["problem"];
  EXPECT_NE(problem.find(kTrainDocument), std::string::npos) << problem;
  EXPECT_EQ(unread->drawing, good->drawing);
  EXPECT_EQ(outcome["drawing"]["current"], false);
}

// A description far larger than any real one would take the preview's
// memory many times over: it is not read, and the page says which and why.
TEST(PreviewBuild, ReadsNoDescriptionLargerThanItsBound) {
  for (const std::string& document : {kLineDocument, kTrainDocument}) {
    SCOPED_TRACE(document);
    ScenarioFolder scenario;
    PreviewBuilder builder(scenario.path(), costa_names());
    const auto good = builder.build();
    ASSERT_TRUE(good->drawing);
    // The bound and one byte more, without a disk's worth of writing.
    std::filesystem::resize_file(scenario.path() / document, kLargestPreviewedDescription + 1);

    const auto refused = builder.build();
    const Json outcome = outcome_of(*refused);
    const std::string problem = outcome["problem"];
    EXPECT_NE(problem.find(document), std::string::npos) << problem;
    EXPECT_NE(problem.find("larger than 16 MiB"), std::string::npos) << problem;
    EXPECT_TRUE(outcome["error_number"].is_null()) << "nothing compiled";
    EXPECT_EQ(refused->drawing, good->drawing);
    EXPECT_EQ(outcome["drawing"]["current"], false);
  }
}

TEST(PreviewBuild, HasNoDrawingUntilABuildMakesOne) {
  ScenarioFolder scenario;
  std::filesystem::remove(scenario.path() / kLineDocument);
  PreviewBuilder builder(scenario.path(), costa_names());
  const auto state = builder.build();
  const Json outcome = outcome_of(*state);
  EXPECT_EQ(outcome["error_number"], 101);
  EXPECT_FALSE(state->drawing);
  EXPECT_TRUE(outcome["drawing"].is_null());
  EXPECT_FALSE(outcome["problem"].is_null());
}

}  // namespace
}  // namespace borgo::tools
