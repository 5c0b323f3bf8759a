// The line description, read from fixture documents; which documents the
// program's reading deletes.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "compiler/error_catalog.hpp"
#include "compiler/record_roles.hpp"
#include "tests/compiler/reader_fixture.hpp"

namespace borgo::compiler {
namespace {

using testing::FolderReaderFixture;
using testing::kShortGeneral;
using testing::ReaderFixture;

constexpr std::string_view kPlainTrain = "[generale]\nvelocita, 0, 30\n[fine]\n";

std::string repeated(std::string_view row, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += row;
  return out;
}

// Each error both ways: from the documents' bytes, and from a folder as the
// program reads them, deleting the line description before the train
// description is read.
TEST(LineReader, RecordsEachErrorAndDeletesWhatItShould) {
  struct Case {
    const char* name;
    std::optional<std::string> line;  // nullopt: no line description at all
    std::optional<std::string> train;
    std::int32_t error;
    bool line_left;   // the line description is still in the folder afterwards
    bool train_left;  // the train description is still in the folder afterwards
  };
  const std::string general(kShortGeneral);
  const Case cases[] = {
      {"missing line description", std::nullopt, std::string(kPlainTrain), 101, false, true},
      {"no [generale]", "abc\nxyz\n", std::string(kPlainTrain), 102, false, true},
      {"[generale] as the very last field", "abc\n[generale]\n", std::string(kPlainTrain), 102,
       false, true},
      {"empty line description", "", std::string(kPlainTrain), 25, false, false},
      {"line above 1000000 m", "[generale]\nlunghezza percorso, 1000001\n[curve]\n[fine]\n",
       std::string(kPlainTrain), 1, false, true},
      {"negative line length", "[generale]\nlunghezza percorso, -1\n[curve]\n[fine]\n",
       std::string(kPlainTrain), 11, false, true},
      {"repetition start off the grid",
       "[generale]\nlunghezza percorso, 20000\nripetizione segnali 9 codici, 1010, 2000\n[fine]\n",
       std::string(kPlainTrain), 3, false, true},
      {"repetition end off the grid",
       "[generale]\nlunghezza percorso, 20000\nripetizione segnali 9 codici, 1000, 2020\n[fine]\n",
       std::string(kPlainTrain), 4, false, true},
      {"repetition with no code count",
       "[generale]\nlunghezza percorso, 20000\nripetizione segnali codici, 1000, 2000\n[fine]\n",
       std::string(kPlainTrain), 5, false, true},
      {"curve without a radius class", general + "curvas, 100, 50\n[fine]\n",
       std::string(kPlainTrain), 103, false, true},
      {"sign on an indicator board",
       general + "indicatori_vmax, 1000, 90, 95, 100, 0, , , , 0\ncartello_indicatore, 1000, (x)\n"
                 "[fine]\n",
       std::string(kPlainTrain), 6, false, true},
      {"indicator on an indicator board",
       general + "indicatori_vmax, 1000, 90, 95, 100, 0, , , , 0\n"
                 "indicatori_vmax, 1010, 90, 95, 100, 0, , , , 0\n[fine]\n",
       std::string(kPlainTrain), 21, false, true},
      {"text in a numeric field", general + "pendenza, abc, 1\n[fine]\n", std::string(kPlainTrain),
       25, false, false},
      {"a row before the line length", "[generale]\n[curve]\npendenza, 0, 1\n[fine]\n",
       std::string(kPlainTrain), 25, false, false},
      {"missing train description", general + "[fine]\n", std::nullopt, 25, false, false},
      {"gradient at a negative position", general + "pendenza, -50, 1\n[fine]\n",
       std::string(kPlainTrain), 11, false, true},
      {"row beyond the grid still reads the train", general + "pendenza, 26950, 3\n[fine]\n",
       std::string(kPlainTrain), 15, false, false},
      {"row beyond the grid, then a signal ends the train",
       general + "pendenza, 26950, 3\n[fine]\n",
       "[generale]\nsegnale, 5050, 2,4,1,1,0,2,2,1,1,210\nvelocita, 0, 30\n[fine]\n", 15, false,
       false},
      {"clean", general + "pendenza, 26850, 3\n[fine]\n", std::string(kPlainTrain), 0, false,
       false},
      // Each row at 50 m fills one cell more, the 542nd past the grid's last cell.
      {"gradient rows at one position fill past the grid",
       general + repeated("pendenza, 50, 1\n", 600) + "[fine]\n", std::string(kPlainTrain), 25,
       false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderFixture bytes;
    if (c.line) bytes.write_line(*c.line);
    if (c.train) bytes.write_train(*c.train);
    bytes.read();
    EXPECT_EQ(bytes.model.error_number, c.error) << bytes.report.error_detail;

    FolderReaderFixture f;
    f.line = bytes.line;
    f.train = bytes.train;
    f.read_from_folder();
    EXPECT_EQ(f.model.error_number, c.error) << f.report.error_detail;
    EXPECT_EQ(f.model.cells, bytes.model.cells);
    EXPECT_EQ(std::filesystem::exists(f.line_path()), c.line_left);
    EXPECT_EQ(std::filesystem::exists(f.train_path()), c.train_left);
  }
}

TEST(LineReader, ErrorFifteenEndsTheBodyButCompletesGradientsAndReadsTheTrain) {
  ReaderFixture f;
  f.write_line_body("pendenza, 0, 2\npendenza, 26950, 3\npendenza, 1000, 9\n");
  f.write_train_body("velocita, 0, 30\nvelocita, 1000, 100\n");
  f.read();
  EXPECT_EQ(f.model.error_number, error::kBeyondGrid);
  EXPECT_EQ(f.cell(0).gradient_code, 102);  // completed with the last gradient read
  EXPECT_EQ(f.cell(537).gradient_code, 102);
  EXPECT_EQ(f.cell(19).speed_code, 6);  // the train description was read
  ASSERT_TRUE(f.report.error_at.has_value());
  EXPECT_EQ(f.report.error_at->key.line, 7);
}

TEST(LineReader, SizesTheGridAndThePlanFromTheLength) {
  ReaderFixture f;
  f.write_line_body("");
  f.write_train(std::string(kPlainTrain));
  f.read();
  EXPECT_EQ(f.model.plan_last, 27000);
  EXPECT_EQ(f.model.cell_last, 540);
  EXPECT_EQ(f.model.cells.size(), 541u);
  EXPECT_EQ(f.model.line_plan.metres(), 27001);
  EXPECT_EQ(f.model.items[kTrainAndLength].end, 20000);
}

TEST(LineReader, GeneralValuesLandInTheSpecialItems) {
  ReaderFixture f;
  f.write_line(
      "anything before the section, 12\n"
      "[generale]\n"
      "lunghezza percorso,    334000\n"
      "progressiva chilometrica uno,    31100,    3050,    0\n"
      "progressiva chilometrica due,    284500,    -284500,    0\n"
      "progressiva chilometrica tre,    315950,    412050,    1\n"
      "sfondo uno,    1\n"
      "sfondo due,    2\n"
      "sfondo tre,    3\n"
      "ripetizione segnali 9 codici,    8000,    330700\n"
      "[curve]\n[fine]\n");
  f.write_train(std::string(kPlainTrain));
  f.read(0);
  EXPECT_EQ(f.model.error_number, 0) << f.report.error_detail;
  EXPECT_EQ(f.model.cell_last, 6820);
  const auto& items = f.model.items;
  EXPECT_EQ(items[81].start, 315950);
  EXPECT_EQ(items[81].end, 412150);  // ordered, and the flag applied
  EXPECT_EQ(items[82].start, 284500);
  EXPECT_EQ(items[83].start, 31100);
  EXPECT_EQ(items[85].start, 1);
  EXPECT_EQ(items[85].position, 2);
  EXPECT_EQ(items[85].end, 3);
  EXPECT_EQ(items[85].text, "L");
  EXPECT_EQ(items[86].text, "T");
  EXPECT_EQ(items[86].start, 8000);
  EXPECT_EQ(items[86].end, 330700);
  EXPECT_EQ(items[86].position, 9);
  EXPECT_FALSE(f.model.has_line_plan());
}

TEST(LineReader, SignalRepetitionCodeCount) {
  struct Case {
    const char* row;
    std::int32_t count;
  };
  const Case cases[] = {
      {"ripetizione segnali 4 codici, 1000, 2000", 4},
      {"ripetizione segnali 9 codici, 1000, 2000", 9},
      {"ripetizione segnali 4 o 9 codici, 1000, 2000", 4},
      {"ripetizione segnali 4 codici, 1000, 0", 0},
  };
  for (const Case& c : cases) {
    ReaderFixture f;
    f.write_line("[generale]\nlunghezza percorso, 20000\n" + std::string(c.row) + "\n[fine]\n");
    f.write_train(std::string(kPlainTrain));
    f.read();
    EXPECT_EQ(f.model.items[kTrainRecord].position, c.count) << c.row;
  }
}

TEST(LineReader, AKeyHoldingSeveralKeyWordsReadsEachRowInTableOrder) {
  ReaderFixture f;
  f.write_line(
      "[generale]\nlunghezza percorso, 20000\nsfondo tre due, 7, 8\nsfondo Uno due, 9\n"
      "[curve]\n[fine]\n");
  f.write_train(std::string(kPlainTrain));
  f.read();
  ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
  const LineItem line(f.model.items[kLineRecord]);
  EXPECT_EQ(line.background_due(), 9);  // "due" comes before "tre" in the table; read twice
  EXPECT_EQ(line.background_tre(), 8);
  EXPECT_EQ(line.background_uno(), 0);  // "Uno" does not match "uno"
}

TEST(LineReader, GeneralKeysKeepTheirLetterCaseRules) {
  ReaderFixture f;
  f.write_line(
      "[GENERALE]\nLUNGHEZZA PERCORSO, 20000\nSFONDO UNO, 5\nsfondo due, 6\n[curve]\n"
      "sfondo tre, 7\n[fine]\n");
  f.write_train(std::string(kPlainTrain));
  f.read();
  EXPECT_EQ(f.model.cell_last, 540);                  // length keys ignore case
  EXPECT_EQ(f.model.items[kLineRecord].start, 0);     // "sfondo uno" is case-sensitive
  EXPECT_EQ(f.model.items[kLineRecord].position, 6);  // read in the general section
  EXPECT_EQ(f.model.items[kLineRecord].end, 0);       // the body has no general keys
}

TEST(LineReader, DashRuleReplacesUpToTenFieldsInTheGeneralSection) {
  for (int dashes : {10, 11}) {
    ReaderFixture f;
    std::string general = "[generale]\n";
    for (int i = 1; i <= dashes; ++i) general += "-" + std::to_string(i) + ",";
    general += "-x lunghezza percorso, 20000\n[curve]\n[fine]\n";
    f.write_line(general);
    f.write_train(std::string(kPlainTrain));
    f.read();
    EXPECT_EQ(f.model.has_grid(), dashes == 10) << dashes;
  }
}

TEST(LineReader, DashRuleReplacesUpToTwoFieldsInTheBody) {
  struct Case {
    const char* row;
    std::uint8_t completed_gradient;
  };
  const Case cases[] = {
      {"- nota, pendenza, 600, 5", 105},
      {"-a, -b, -c pendenza, 600, 5", 105},
      {"-a, -b, -c, -d pendenza, 600, 5", 100},
  };
  for (const Case& c : cases) {
    ReaderFixture f;
    f.write_line_body(std::string(c.row) + "\n");
    f.write_train(std::string(kPlainTrain));
    f.read();
    EXPECT_EQ(f.cell(100).gradient_code, c.completed_gradient) << c.row;
  }
}

TEST(LineReader, GradientsFillTheirCellsUpToTheNextRow) {
  ReaderFixture f;
  f.write_line_body(
      "pendenza,  0,   0\nPENDENZA,  600,   -11\npendenza,  1250,   -4,5\n"
      "pendenza, 1260, 7\n");
  f.write_train(std::string(kPlainTrain));
  f.read();
  ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
  const struct {
    int cell;
    std::uint8_t code;
  } expected[] = {{0, 100},  {11, 100},  {12, 89}, {24, 89}, {25, 96},
                  {26, 107}, {537, 107}, {538, 0}, {539, 0}, {540, 0}};
  for (const auto& e : expected) EXPECT_EQ(f.cell(e.cell).gradient_code, e.code) << e.cell;
  bool decimal_comma_warned = false;
  for (const auto& w : f.report.warnings) {
    decimal_comma_warned |= w.kind == CompileWarning::Kind::kDecimalComma;
  }
  EXPECT_TRUE(decimal_comma_warned);
}

// A decimal comma splits a number in the general section as in the body:
// the decimals are a key of their own, warned of as such; digits after a
// key that matched nothing are a stray number.
TEST(LineReader, ADecimalCommaIsWarnedOfInEitherSection) {
  struct Case {
    const char* name;
    const char* general;  // rows after the length row
    const char* body;
    std::vector<CompileWarning::Kind> warned;
  };
  using K = CompileWarning::Kind;
  const Case cases[] = {
      {"in a general row", "sfondo uno,    1,5\n", "", {K::kDecimalComma}},
      {"in the body", "", "pendenza,  600,   -4,5\n", {K::kDecimalComma}},
      {"after a key that matched nothing", "nessuna, 5\n", "", {K::kUnknownKey, K::kUnknownKey}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderFixture f;
    f.write_line("[generale]\nlunghezza percorso,    20000\n" + std::string(c.general) +
                 "[curve]\n" + c.body + "[fine]\n");
    f.write_train(std::string(kPlainTrain));
    f.read();
    EXPECT_EQ(f.model.error_number, 0) << f.report.error_detail;
    std::vector<CompileWarning::Kind> warned;
    for (const CompileWarning& w : f.report.warnings) warned.push_back(w.kind);
    EXPECT_EQ(warned, c.warned);
  }
}

TEST(LineReader, OnlyTheLastFieldOfTheDocumentIsNeverInterpreted) {
  struct Case {
    const char* tail;
    std::uint8_t completed_gradient;
  };
  const Case cases[] = {
      {"pendenza, 600, 5\n", 105},  // a data row on the last line is still read
      {"pendenza, 600, 5\npendenza\n", 105},
      {"pendenza, 600, 5\n[fine]\n", 105},
  };
  for (const Case& c : cases) {
    ReaderFixture f;
    f.write_line(std::string(kShortGeneral) + c.tail);
    f.write_train(std::string(kPlainTrain));
    f.read();
    EXPECT_EQ(f.model.error_number, 0) << c.tail;
    EXPECT_EQ(f.cell(100).gradient_code, c.completed_gradient) << c.tail;
  }
}

TEST(LineReader, CurvesTurnThePlanWhenTheLineFileIsWanted) {
  ReaderFixture f;
  f.write_line_body("curvas1,  1350,  150\ncurvaD2, 2000, 10\n");
  f.write_train(std::string(kPlainTrain));
  f.read(1);
  ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
  const PlanColumn x = f.model.line_plan.column(0);
  const PlanColumn y = f.model.line_plan.column(1);
  EXPECT_EQ(x[0], PlanValue::of_int16(0));
  EXPECT_EQ(y[0], PlanValue::of_int16(0));
  EXPECT_EQ(x[1], PlanValue::of_int16(0));
  EXPECT_EQ(y[1], PlanValue::of_int16(1));
  EXPECT_EQ(x[2], PlanValue::of_double(0.0));
  EXPECT_EQ(y[1350], PlanValue::of_double(1350.0));
  // First curved metre: (dx, dy) = (0, 1), k = -0.0001 (left).
  EXPECT_EQ(x[1351], PlanValue::of_double(0.0 + (0.0 + -0.0001 * 1.0)));
  EXPECT_EQ(y[1351], PlanValue::of_double(1350.0 + (1.0 - -0.0001 * 0.0)));
  EXPECT_LT(x[1500].real, 0.0);
  // The right-hand curve turns the other way.
  const double heading_before = x[2000].real - x[1999].real;
  const double heading_after = x[2010].real - x[2009].real;
  EXPECT_GT(heading_after, heading_before);
  // Straight to plan_last - 2; the last two metres stay unset.
  EXPECT_EQ(x[26998].tag, PlanValue::kDouble);
  EXPECT_EQ(x[26999].tag, PlanValue::kUnset);
  EXPECT_EQ(y[27000].tag, PlanValue::kUnset);
}

TEST(LineReader, CurvesAreIgnoredWithoutTheLineFile) {
  ReaderFixture f;
  f.write_line_body("curvas, 1350, 150\npendenza, 600, 5\n");
  f.write_train(std::string(kPlainTrain));
  f.read(0);
  EXPECT_EQ(f.model.error_number, 0);  // the curve's fault is never seen
  EXPECT_FALSE(f.model.has_line_plan());
  EXPECT_EQ(f.cell(100).gradient_code, 105);
}

TEST(LineReader, ACurveKeyCountsAsMatchedWithOrWithoutTheLineFile) {
  for (const std::int32_t line_file : {0, 1}) {
    SCOPED_TRACE(line_file);
    ReaderFixture f;
    f.write_line_body("curvas1, 1350, 150\nkurva, 1, 2\n");
    f.write_train(std::string(kPlainTrain));
    f.read(line_file);
    ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
    bool curve_warned = false, other_warned = false;
    for (const CompileWarning& w : f.report.warnings) {
      curve_warned |= w.detail.find("\"curvas1\"") != std::string::npos;
      other_warned |= w.detail.find("\"kurva\"") != std::string::npos;
    }
    EXPECT_FALSE(curve_warned);
    EXPECT_TRUE(other_warned);
  }
}

TEST(LineReader, PlanPastMetreOneMillionIsErrorOneHundredThree) {
  ReaderFixture f;
  f.write_line("[generale]\nlunghezza percorso, 1000000\n[curve]\ncurvad1, 999990, 20\n[fine]\n");
  f.write_train(std::string(kPlainTrain));
  f.read(1);
  EXPECT_EQ(f.model.error_number, error::kCurve);
}

TEST(LineReader, ACurvePastThePlansEndFillsThePlanThenFailsAtRunTime) {
  ReaderFixture f;
  f.write_line_body("curvad1, 19000, 50000\n");
  f.write_train(std::string(kPlainTrain));
  f.read(1);
  EXPECT_EQ(f.model.error_number, error::kRuntimeFailure);
  EXPECT_NE(f.report.error_detail.find("plan metre 27001"), std::string::npos)
      << f.report.error_detail;
  const PlanColumn x = f.model.line_plan.column(0);
  EXPECT_EQ(x.tag(27000), PlanValue::kDouble);              // written up to the last metre
  EXPECT_GT(x.as_double(27000), x.as_double(19000) + 100);  // turned right by the curve
}

TEST(LineReader, ALineOfOneMillionMetresExtendsItsPlanToTheEnd) {
  ReaderFixture f;
  f.write_line("[generale]\nlunghezza percorso, 1000000\n[curve]\n[fine]\n");
  f.write_train(std::string(kPlainTrain));
  f.read(1);
  EXPECT_EQ(f.model.error_number, 0);
  EXPECT_EQ(f.model.line_plan.column(1)[1006998], PlanValue::of_double(1006998.0));
}

TEST(LineReader, SignsTakeItemsFromEightyDownward) {
  ReaderFixture f;
  f.write_line_body(
      "montagna, 0, 2000, 12\n"
      "cartello_indicatore,  100,   (  Cippo  )(Km 28+000)\n"
      "cartello_indicatore,  2000, \"a, b\"\n");
  f.write_train(std::string(kPlainTrain));
  f.read();
  ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
  EXPECT_EQ(f.cell(3).kind, kSign);  // was a montagna marker
  EXPECT_EQ(f.cell(3).value1, 80);
  EXPECT_EQ(f.cell(7).kind, kMountainMarker);
  EXPECT_EQ(f.model.items[80].text, "(  Cippo  )(Km 28+000)");
  EXPECT_EQ(f.cell(41).value1, 79);
  EXPECT_EQ(f.model.items[79].text, "a, b");
}

TEST(LineReader, MoreThanEightySignsAreRefused) {
  ReaderFixture f;
  std::string body;
  for (int i = 0; i < 81; ++i)
    body += "cartello_indicatore, " + std::to_string(1000 + 100 * i) + ", s\n";
  f.write_line_body(body);
  f.write_train(std::string(kPlainTrain));
  f.read();
  EXPECT_EQ(f.model.error_number, error::kTooManySigns);
  EXPECT_EQ(f.model.items[1].text, "s");  // the eightieth sign
}

}  // namespace
}  // namespace borgo::compiler
