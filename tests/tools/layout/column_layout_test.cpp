// The column layout: what it aligns, what it leaves alone, and that the
// compile cannot tell a laid-out description from the one written.
#include "tools/layout/column_layout.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "compiler/compile.hpp"
#include "documents/documents.hpp"
#include "documents/line_table.hpp"
#include "storage/byte_sink.hpp"
#include "tests/support/files.hpp"
#include "tests/tools/decompile/random_scenario.hpp"

namespace borgo::tools::layout {
namespace {

TEST(ColumnLayout, AlignsEachRunOfRowsAndLeavesTheRest) {
  struct Case {
    const char* name;
    std::string text;
    std::string laid;
  };
  const Case cases[] = {
      {"numbers flush right, the narrowest gap kept",
       "aderenza,   0,    78\r\naderenza,  121000, 5\r\n",
       "aderenza,       0, 78\r\naderenza,  121000,  5\r\n"},
      {"text flush left at the column's gap", "stazione,  0,   Roma\nstazione, 3100,  Ostia Lido\n",
       "stazione,    0,  Roma\nstazione, 3100,  Ostia Lido\n"},
      {"keys equally long form one run: the curves",
       "curvas1,   1350,  150\ncurvad4, 22760,  600\n",
       "curvas1,  1350,  150\ncurvad4, 22760,  600\n"},
      {"a column with one gap throughout is left flush left",
       "segnale,  1050,  2,1,1, 210\nsegnale,  4900,  1,1,1, 0\n",
       "segnale,  1050,  2,1,1, 210\nsegnale,  4900,  1,1,1, 0\n"},
      {"a value pushed out of a flush-left column takes its gap back",
       "indicatori_vmax,  1000,  90\nindicatori_vmax,     11800,      115\n"
       "indicatori_vmax,  125000,  135\n",
       "indicatori_vmax,  1000,  90\nindicatori_vmax,  11800,  115\n"
       "indicatori_vmax,  125000,  135\n"},
      {"a flush-right column stays so though most values share a gap",
       "velocita,   0,    30\nvelocita,    1000,   100\nvelocita,   11800,   100\n"
       "velocita,   18000,   140\n",
       "velocita,       0,    30\nvelocita,    1000,   100\nvelocita,   11800,   100\n"
       "velocita,   18000,   140\n"},
      {"a mixed column that flush right would leave reading flush left is written flush left",
       "segnale,  30\nsegnale,  E\nsegnale,   1\nsegnale, x\n",
       "segnale, 30\nsegnale, E\nsegnale, 1\nsegnale, x\n"},
      {"a key of another length starts a new run", "sfondo uno,    1\nnumero vetture,  120\n",
       "sfondo uno,    1\nnumero vetture,  120\n"},
      {"a heading ends a run", "pendenza,  5\n[montagne]\npendenza,  12950\n",
       "pendenza,  5\n[montagne]\npendenza,  12950\n"},
      {"values tight against their comma stay tight",
       "stazione,  0,  3,1,0,  -4,5\nstazione,   3100, 12,1,1,    7,25\n",
       "stazione,     0,  3,1,0,  -4,5\nstazione,  3100, 12,1,1,   7,25\n"},
      {"empty fields and trailing blanks kept",
       "indicatori_vmax,     53900,  ,  ,  0 \nindicatori_vmax,  141800,  125,  ,  0 \n",
       "indicatori_vmax,   53900,  ,  ,  0 \nindicatori_vmax,  141800,  125,  ,  0 \n"},
      {"blank-separated numbers are one text value", "orologio,    14     25   30 \n",
       "orologio,    14     25   30 \n"},
      {"quoted text, across lines, left as written",
       "stazione,  0,  \"Ponte,  Rosso\nScalo,   Nord\"\nstazione,  3100,  x\n",
       "stazione,  0,  \"Ponte,  Rosso\nScalo,   Nord\"\nstazione,  3100,  x\n"},
      {"lone CR line ends kept", "a,   1\ra,  22\r", "a,   1\ra,  22\r"},
      {"no line end at the end", "a,  1\na,   333", "a,    1\na,  333"},
      {"nothing to lay out", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(laid_out(c.text), c.laid);
    EXPECT_EQ(laid_out(c.laid), c.laid);  // idempotent
  }
}

TEST(ColumnLayout, ReportsOnlyTheLinesItChanges) {
  const std::vector<LineChange> changes = column_layout("[x]\r\nv,    1\r\nv,  22\r\nww,  3\r\n");
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].line, 1u);
  EXPECT_EQ(changes[0].text, "v,   1");
}

// Each compiled file's name and bytes; the outcome's error too.
std::vector<std::string> compiled(const std::string& line, const std::string& train) {
  const compiler::Compilation result = compiler::compile({.line_name = "L",
                                                          .train_name = "T",
                                                          .write_line_file = 1,
                                                          .line_description = line,
                                                          .train_description = train});
  std::vector<std::string> out = {std::to_string(result.outcome.error_number) + "/" +
                                  std::to_string(result.outcome.fatal)};
  for (const compiler::CompiledFile& file : result.files) {
    out.push_back(file.name() + "\n" + storage::bytes_of(file));
  }
  return out;
}

void expect_neutral_and_idempotent(const std::string& line, const std::string& train) {
  const std::string line_laid = laid_out(line);
  const std::string train_laid = laid_out(train);
  EXPECT_EQ(laid_out(line_laid), line_laid);
  EXPECT_EQ(laid_out(train_laid), train_laid);
  EXPECT_EQ(compiled(line_laid, train_laid), compiled(line, train));
}

TEST(ColumnLayout, LeavesTheEmbeddedScenarioCompiledAsItWas) {
  const std::string line = documents::render_lines(documents::line_description());
  const std::string train = documents::render_lines(documents::train_description());
  expect_neutral_and_idempotent(line, train);
  // The package's own layout: the adhesion rows are already in columns.
  EXPECT_NE(laid_out(train).find("aderenza,       0,    78\r\naderenza,    6600,    70\r\n"),
            std::string::npos);
  EXPECT_NE(laid_out(train).find("velocita,       0,    30\r\n"), std::string::npos);
}

TEST(ColumnLayout, LeavesEveryFixtureCompiledAsItWas) {
  const std::filesystem::path fixtures =
      std::filesystem::path(BORGO_SOURCE_DIR) / "tests" / "tools" / "fixtures";
  int pairs = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(fixtures)) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with("_linea.txt")) continue;
    const std::string line_name = name.substr(0, name.size() - 10);
    for (const auto& other : std::filesystem::directory_iterator(entry.path().parent_path())) {
      const std::string train_name = other.path().filename().string();
      if (!train_name.starts_with(line_name + "_") || !train_name.ends_with("-.txt")) continue;
      SCOPED_TRACE(train_name);
      expect_neutral_and_idempotent(borgo::testing::slurp(entry.path()),
                                    borgo::testing::slurp(other.path()));
      ++pairs;
    }
  }
  EXPECT_GT(pairs, 0);
}

TEST(ColumnLayout, LeavesRandomScenariosCompiledAsTheyWere) {
  std::mt19937 random(24);
  for (int draw = 0; draw < 20; ++draw) {
    const borgo::testing::RandomScenario scenario = borgo::testing::draw_scenario(random);
    SCOPED_TRACE(draw);
    expect_neutral_and_idempotent(scenario.line, scenario.train);
  }
}

}  // namespace
}  // namespace borgo::tools::layout
