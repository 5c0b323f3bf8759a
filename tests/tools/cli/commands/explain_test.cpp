// scenario-tool explain: every row kind of the embedded scenario and the
// lines that hold no row, the kilometre progressive as the train sheet
// states it, rows the compile never read, and the command's errors.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"
#include "tools/findings/diagnostics.hpp"
#include "tools/findings/nearest_key.hpp"
#include "tools/findings/reference/explanation.hpp"

namespace borgo::tools::testing {
namespace {

using nlohmann::json;

const std::string kLineName = "Borgo_Mar";
const std::string kTrainName = "TX 903";
const std::string L = "Borgo_Mar_linea.txt";
const std::string T = "Borgo_Mar_TX 903-.txt";

// The embedded scenario in a folder of its own, optionally edited.
struct Embedded {
  borgo::testing::ScratchFolder folder;

  Embedded() { EXPECT_EQ(tool({"emit", folder.path().string()}).status, 0); }
  void edit(const std::string& document, const std::string& from, const std::string& to) {
    std::string text = borgo::testing::slurp(folder / document);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    borgo::testing::spit(folder / document, text);
  }
  ToolRun explain(const std::string& spot, bool as_json = true) const {
    std::vector<std::string> words{
        "explain", folder.path().string(), "--line", kLineName, "--train", kTrainName, spot};
    if (as_json) words.push_back("--json");
    return tool(words);
  }
  json explained(const std::string& document, int line) const {
    const ToolRun run = explain(document + ":" + std::to_string(line));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return json::parse(run.out);
  }
};

struct Case {
  const std::string* document;
  int line;
  const char* what;                                    // of the line's first item
  const char* row;                                     // its row, or "" for none
  std::vector<std::pair<const char*, json>> expected;  // JSON pointers into the explanation
};

TEST(ExplainCommand, EveryRowKindOfTheEmbeddedScenarioAndTheLinesWithoutARow) {
  const Case cases[] = {
      {&L, 1, "general-heading", "", {}},
      {&L, 2, "row", "lunghezza percorso", {{"/items/0/fields/0/value", 334000}}},
      {&L,
       3,
       "row",
       "progressiva chilometrica uno",
       {{"/items/0/fields/0/kilometre/km", "31.100"},
        {"/items/0/fields/0/kilometre/changes_to_km", "34.150"}}},
      {&L,
       4,
       "row",
       "progressiva chilometrica due",
       {{"/items/0/fields/0/kilometre/km", "287.550"},
        {"/items/0/fields/0/kilometre/changes_to_km", "0.000"},
        {"/items/0/fields/1/value", -284500}}},
      {&L,
       5,
       "row",
       "progressiva chilometrica tre",
       {{"/items/0/fields/0/kilometre/km", "31.450"},
        {"/items/0/fields/0/kilometre/changes_to_km", "728.000"},
        {"/items/0/fields/2/name", "flag"}}},
      {&L, 6, "row", "sfondo uno", {{"/items/0/fields/0/value", 1}}},
      {&L, 7, "row", "sfondo due", {{"/items/0/fields/0/value", 0}}},
      {&L, 8, "row", "sfondo tre", {{"/items/0/fields/0/value", 0}}},
      {&L,
       9,
       "row",
       "ripetizione segnali",
       {{"/items/0/fields/0/value", 8000}, {"/items/0/fields/1/name", "fine"}}},
      {&L, 10, "section-heading", "", {}},
      {&L,
       11,
       "row",
       "curva",
       {{"/items/0/fields/0/cell/index", 28}, {"/items/0/fields/1/unit", "metres"}}},
      {&L,
       186,
       "row",
       "pendenza",
       {{"/items/0/fields/1/value", -11},
        {"/items/0/fields/1/unit", "per mille"},
        {"/items/0/fields/0/cell/gradient_per_mille", -11}}},
      // The decimal comma leaves its decimals as a key of their own.
      {&L, 187, "row", "pendenza", {{"/items/0/fields/1/value", -4}, {"/items/1/key", "5"}}},
      {&L,
       437,
       "row",
       "montagna",
       {{"/items/0/fields/0/cell/index", 175},
        {"/items/0/fields/1/cell/index", 222},
        {"/items/0/fields/1/cell/holds", "montagna_marker"},
        {"/items/0/fields/2/value", 12}}},
      {&L,
       453,
       "row",
       "indicatori_vmax",
       {{"/items/0/fields/0/cell/index", 21},
        {"/items/0/fields/0/cell/holds", "speed_indicators"},
        {"/items/0/fields/5/value", 0}}},
      {&L,
       519,
       "row",
       "cartello_indicatore",
       {{"/items/0/fields/0/cell/index", 560},
        {"/items/0/fields/0/cell/sign", "(  Cippo  )(Km 28+000)"},
        {"/items/0/fields/0/kilometre/km", "27.950"},
        {"/items/0/fields/1/value", "(  Cippo  )(Km 28+000)"}}},
      {&L, 537, "section-heading", "", {}},
      {&T, 1, "general-heading", "", {}},
      {&T, 2, "row", "numero vetture", {{"/items/0/fields/0/value", 12}}},
      {&T,
       3,
       "row",
       "percentuale massa frenata",
       {{"/items/0/fields/0/value", 130}, {"/items/0/fields/0/unit", "per cent"}}},
      {&T, 4, "row", "sabbia", {{"/items/0/fields/0/type", "16-bit integer"}}},
      {&T,
       5,
       "row",
       "orologio",
       {{"/items/0/fields/0/value", 14},
        {"/items/0/fields/1/value", 25},
        {"/items/0/fields/2/value", 30}}},
      {&T, 6, "section-heading", "", {}},
      {&T, 7, "row", "aderenza", {{"/items/0/fields/1/value", 78}}},
      {&T,
       25,
       "row",
       "velocita",
       {{"/items/0/fields/0/kilometre/km", "1.000"},
        {"/items/0/fields/0/cell/index", 20},
        {"/items/0/fields/0/cell/speed_kmh", 100}}},
      {&T,
       68,
       "row",
       "stazione",
       {{"/items/0/station/item", 1},
        {"/items/0/station/zone_start", -500},
        {"/items/0/station/zone_end", 500},
        {"/items/0/station/stop_mark/index", 9},
        {"/items/0/station/approach_cells/0/index", 8},
        {"/items/0/fields/16/value", "Roma Termini"}}},
      {&T, 81, "empty-line", "", {}},
      {&T,
       88,
       "row",
       "stazione",
       {{"/items/0/station/item", 20},
        {"/items/0/station/zone_start", 141700},
        {"/items/0/station/zone_end", 142700},
        {"/items/0/fields/0/kilometre/km", "145.250"}}},
      // The train sheet: Rosignano 4.800, Tombolo 735.550, Pisa Centrale 744.800.
      {&T, 105, "row", "stazione", {{"/items/0/fields/0/kilometre/km", "4.800"}}},
      {&T, 111, "row", "stazione", {{"/items/0/fields/0/kilometre/km", "735.550"}}},
      {&T, 113, "row", "stazione", {{"/items/0/fields/0/kilometre/km", "744.800"}}},
      {&T,
       115,
       "row",
       "rallentamento",
       {{"/items/0/slow_down/board/index", 2785},
        {"/items/0/slow_down/start/index", 2809},
        {"/items/0/slow_down/end/index", 2821},
        {"/items/0/slow_down/end/holds", "slow_down_end"},
        {"/items/0/slow_down/before_board/3/index", 2781},
        {"/items/0/fields/0/kilometre/km", "143.450"}}},
      {&T,
       118,
       "row",
       "segnale",
       {{"/items/0/fields/0/cell/index", 22},
        {"/items/0/fields/0/cell/holds", "signal"},
        {"/items/0/signal/approach_cells/0/index", 20},
        {"/items/0/signal/approach_cells/0/approach_mark", 81},
        {"/items/0/signal/approach_cells/3/index", 14},
        {"/items/0/fields/10/name", "tempo"},
        {"/items/0/fields/10/value", 210}}},
      {&T,
       298,
       "row",
       "abbattimento",
       {{"/items/0/fields/0/cell/index", 141},
        {"/items/0/fields/0/cell/holds", "code_point"},
        {"/items/0/fields/0/cell/code", 270}}},
      {&T, 376, "section-heading", "", {}},
  };
  Embedded scenario;
  for (const Case& c : cases) {
    SCOPED_TRACE(*c.document + ":" + std::to_string(c.line));
    const json x = scenario.explained(*c.document, c.line);
    EXPECT_EQ(x["line"], c.line);
    ASSERT_FALSE(x["items"].empty());
    const json& item = x["items"][0];
    EXPECT_EQ(item["what"], c.what) << x.dump(1);
    if (*c.row != '\0') {
      EXPECT_EQ(item["row"], c.row);
      EXPECT_EQ(item["read"], true);
    }
    for (const auto& [pointer, value] : c.expected) {
      const json::json_pointer at(pointer);
      ASSERT_TRUE(x.contains(at)) << pointer << " in " << x.dump(1);
      EXPECT_EQ(x[at], value) << pointer;
    }
  }
}

TEST(ExplainCommand, LinesAnAuthorGotWrong) {
  struct Edited {
    const char* name;
    const std::string* document;
    const char* from;
    const char* to;
    int line;
    std::vector<std::pair<const char*, json>> expected;
  };
  const Edited cases[] = {
      {"text before the general section",
       &T,
       "[generale]",
       "note: train of the afternoon\r\n[generale]",
       1,
       {{"/items/0/what", "before-general"}}},
      {"a misspelt key",
       &T,
       "segnale,    1050",
       "segnal,    1050",
       118,
       {{"/items/0/what", "ignored-row"},
        {"/items/0/nearest_key", "segnale"},
        {"/items/0/distance", 1},
        {"/items/0/says",
         "\"segnal\" matches no key of the train description: did you mean \"segnale\"? The "
         "row is ignored: no signal at 1050 m"},
        {"/items/0/values/0", "1050"},
        {"/items/0/values/10", "210"}}},
      {"a key with a dash",
       &T,
       "segnale,    1050",
       "- vecchio, segnale,    1050",
       118,
       {{"/items/0/what", "dash-key"}, {"/items/1/row", "segnale"}}},
      {"a row over two lines",
       &T,
       "segnale,    1050,   2, 4, 1,",
       "segnale,    1050,   2, 4, 1\r\n",
       119,
       {{"/items/0/what", "continued-row"},
        {"/items/0/line", 118},
        {"/items/0/fields/4/line", 119}}},
      {"a general row after the general section",
       &L,
       "[curve]\r\n",
       "[curve]\r\nsfondo uno, 1\r\n",
       11,
       {{"/items/0/what", "ignored-row"}, {"/items/0/nearest_key", "sfondo uno"}}},
      {"a decimal comma in the general section",
       &L,
       "sfondo uno,    1",
       "sfondo uno,    1,5",
       6,
       {{"/items/1/what", "decimal-comma"},
        {"/items/1/says",
         "\"5\" follows a number and a comma: a decimal comma splits the number and its "
         "decimals are ignored"}}},
      {"a number pushed out of its row by an empty field",
       &T,
       "segnale,    2800,   2,",
       "segnale,    2800,,   2,",
       119,
       {{"/items/1/what", "decimal-comma"},
        {"/items/1/says",
         "\"180\" is left over from the \"segnale\" row of line 119, which has an empty field "
         "at column 18: nothing stands between two commas there, so each value after it is read "
         "one field later; remove the extra comma or write the missing value"}}},
      {"a station's name cut by a comma",
       &T,
       "Roma Ostiense",
       "Ponte Rosso, Scalo",
       70,
       {{"/items/0/fields/16/value", "Ponte Rosso"},
        {"/items/1/what", "comma-ends-text"},
        {"/items/1/values", json::array()}}},
      {"a curve key, decoded",
       &L,
       "curvas1,  1350",
       "curvad4,  1350",
       11,
       {{"/items/0/key_says", "turns right, radius class 4: a radius of 1000 m"}}},
      {"the row of the error, and one after it",
       &T,
       "segnale,    1050",
       "segnale,    1000",
       118,
       {{"/items/0/read", true},
        {"/items/0/error/number", 16},
        {"/items/0/error/name", "signal-cell-taken"},
        {"/items/0/fields/0/cell/holds", "speed_indicators"}}},
      {"a row the compile never read",
       &T,
       "segnale,    1050",
       "segnale,    1000",
       119,
       {{"/items/0/read", false}}},

      {"the last field, never read",
       &T,
       "[fine]\r\n",
       "segnale\r\n",
       376,
       {{"/items/0/what", "last-field"}, {"/items/0/key", "segnale"}}},
  };
  for (const Edited& c : cases) {
    SCOPED_TRACE(c.name);
    Embedded scenario;
    scenario.edit(*c.document, c.from, c.to);
    const json x = scenario.explained(*c.document, c.line);
    for (const auto& [pointer, value] : c.expected) {
      const json::json_pointer at(pointer);
      ASSERT_TRUE(x.contains(at)) << pointer << " in " << x.dump(1);
      EXPECT_EQ(x[at], value) << pointer;
    }
  }
}

// A row after the one where reading stopped is not in the scenario, and says
// where the compile stopped, in its own description or in the other.
TEST(ExplainCommand, ARowNotReadNamesWhereTheCompileStopped) {
  struct Stop {
    const char* name;
    const std::string* edited;
    const char* from;
    const char* to;
    const std::string* explained;
    int line;
    std::string stopped_at;  // FILE:LINE, the file relative to the scenario's folder
  };
  const Stop cases[] = {
      {"after an error in the same description", &T, "segnale,    1050", "segnale,    1000", &T,
       119, T + ":118"},
      {"the train, after an error in the line", &L, "curvas1,  1350", "curvas7,  1350", &T, 2,
       L + ":11"},
      {"the train, after error 15 in the line: read up to its first signal or slow-down", &L,
       "[fine]", "montagna,  345000,  346000,  1\r\n[fine]", &T, 119, T + ":115"},
      {"the train, stopped by its own error 15", &L, "lunghezza percorso,    334000",
       "lunghezza percorso,    3000", &T, 119, T + ":9"},
      {"the line, whose error 15 the train's own error 15 hides", &L,
       "lunghezza percorso,    334000", "lunghezza percorso,    3000", &L, 200, L + ":20"},
  };
  for (const Stop& c : cases) {
    SCOPED_TRACE(c.name);
    Embedded scenario;
    scenario.edit(*c.edited, c.from, c.to);
    const json x = scenario.explained(*c.explained, c.line);
    ASSERT_EQ(x["items"][0]["read"], false) << x.dump(1);
    const std::string says = x["items"][0]["says"];
    const std::string expected =
        "not read: the compile stopped at " + (scenario.folder.path() / c.stopped_at).string();
    EXPECT_NE(says.find(expected), std::string::npos) << says;
  }
}

TEST(ExplainCommand, TextShowsTheSameAsTheJson) {
  Embedded scenario;
  const ToolRun run = scenario.explain(T + ":118:13", false);
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* words :
       {"118 | segnale,    1050,   2, 4, 1,  1, 0,    2,  2,1,1, 210",
        "a \"segnale\" row: a signal", "posizione  1050 metres",
        "cell 22 = rnd(p / 50 + 1) (1050..1100 m) holds a signal", "km 1.050", "tempo      210",
        "approach marks:", "cell 20 (950..1000 m) holds no feature"}) {
    EXPECT_NE(run.out.find(words), std::string::npos) << words << "\n" << run.out;
  }
}

// The text shows a tab as blanks to the next tab stop, as the compile's
// diagnostics do, a letter beyond ASCII taking one column; the JSON keeps the
// line as it is.
TEST(ExplainCommand, TextWidensTabsAsTheDiagnosticsDo) {
  Embedded scenario;
  scenario.edit(T, "segnale,    1050", "\tsegnale,    1050");
  scenario.edit(T, "Roma Ostiense", "Citt\xE0\tOstiense");
  const std::string before =
      "stazione,    6800, 12,  400,  1, 0, 0,  2,1,0,  3,1,1,    1,  14,33, 0, Citt";
  const std::size_t columns = before.size() + 1;  // and the letter
  const struct {
    int line;
    std::string shown;
  } cases[] = {
      {118, "118 | " + std::string(kTabStop, ' ') + "segnale,    1050,"},
      {70, "70 | " + before + "\xC3\xA0" + std::string(kTabStop - columns % kTabStop, ' ') +
               "Ostiense\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const ToolRun run = scenario.explain(T + ":" + std::to_string(c.line), false);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(c.shown), std::string::npos) << run.out;
    EXPECT_NE(scenario.explained(T, c.line)["source"].get<std::string>().find('\t'),
              std::string::npos);
  }
}

TEST(ExplainCommand, WhatCannotBeExplainedIsAClearError) {
  Embedded scenario;
  const std::string dir = scenario.folder.path().string();
  struct Bad {
    const char* name;
    std::vector<std::string> words;
    const char* says;
  };
  const Bad cases[] = {
      {"a line past the end",
       {"explain", dir, "--line", kLineName, "--train", kTrainName, T + ":377"},
       "line 377 is not in"},
      {"line 0",
       {"explain", dir, "--line", kLineName, "--train", kTrainName, T + ":0"},
       "1 or more"},
      {"no line number",
       {"explain", dir, "--line", kLineName, "--train", kTrainName, T},
       "is not FILE:LINE"},
      {"not a line number",
       {"explain", dir, "--line", kLineName, "--train", kTrainName, T + ":x"},
       "is not a line number"},
      {"neither description",
       {"explain", dir, "--line", kLineName, "--train", kTrainName, "Borgo_Mar_note.txt:1"},
       "is neither the line description"},
      {"a description that is not there",
       {"explain", dir, "--line", kLineName, "--train", "IC 1", "Borgo_Mar_IC 1-.txt:1"},
       "there is no train description"},
      {"no folder", {"explain", "--line", kLineName, "--train", kTrainName}, "DIR is required"},
      {"no train", {"explain", dir, "--line", kLineName, L + ":1"}, "--train is required"},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = tool(c.words);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
  }
}

TEST(ExplainCommand, HelpPointsToTheReference) {
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"--help"}, std::vector<std::string>{"explain", "--help"}}) {
    const ToolRun run = tool(words);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("docs/description-format.md"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("explain DIR FILE:LINE --line NAME --train NAME"), std::string::npos);
  }
}

TEST(NearestKey, ByEditDistanceIgnoringLetterCase) {
  struct Case {
    const char* key;
    compiler::Document document;
    const char* nearest;
    std::size_t distance;
  };
  const Case cases[] = {
      {"SEGNALE", compiler::Document::kTrainDescription, "segnale", 0},
      {"stazion", compiler::Document::kTrainDescription, "stazione", 1},
      {"vellocita", compiler::Document::kTrainDescription, "velocita", 1},
      {"pendenze", compiler::Document::kLineDescription, "pendenza", 1},
      {"montagne", compiler::Document::kLineDescription, "montagna", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const auto [nearest, distance] = nearest_key(c.key, c.document);
    EXPECT_EQ(nearest, c.nearest);
    EXPECT_EQ(distance, c.distance);
  }
  // A key of any length is compared by its first letters only.
  EXPECT_EQ(nearest_key(std::string(100000, 'x'), compiler::Document::kTrainDescription).second,
            64u);
}

TEST(NearestKey, GuessesWhatAnAuthorMeant) {
  using compiler::format::Section;
  struct Case {
    const char* key;
    Section section;
    KeyGuess::Kind kind;
    const char* row;
  };
  const Case cases[] = {
      {"stazoine", Section::kTrainBody, KeyGuess::Kind::kNear, "stazione"},
      {"cruvas3", Section::kLineBody, KeyGuess::Kind::kNear, "curva"},  // near its example
      {"Ripetizione segnali 4 codici", Section::kLineGeneral, KeyGuess::Kind::kLetterCase,
       "ripetizione segnali"},
      {"cartello_indicatore", Section::kLineGeneral, KeyGuess::Kind::kOtherSection,
       "cartello_indicatore"},
      {"sfondo uno", Section::kLineBody, KeyGuess::Kind::kOtherSection, "sfondo uno"},
      {"pendenza", Section::kTrainBody, KeyGuess::Kind::kOtherSection, "pendenza"},
      {"Sfondo Tre", Section::kLineGeneral, KeyGuess::Kind::kLetterCase, "sfondo tre"},
      {"Roma Ostiense", Section::kTrainBody, KeyGuess::Kind::kFar, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const KeyGuess guess = guess_key(c.key, c.section);
    EXPECT_EQ(guess.kind, c.kind);
    if (*c.row != '\0') {
      ASSERT_NE(guess.row, nullptr);
      EXPECT_EQ(guess.row->name, c.row);
    }
  }
}

TEST(LineCount, CountsAsAnEditorDoes) {
  EXPECT_EQ(line_count(""), 0);
  EXPECT_EQ(line_count("a\r\nb\r\n"), 2);
  EXPECT_EQ(line_count("a\r\nb"), 2);
  EXPECT_EQ(line_count("a\rb\nc\r\n\r\n"), 4);
}

}  // namespace
}  // namespace borgo::tools::testing
