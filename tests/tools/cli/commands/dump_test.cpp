// The compiled-file decoder and scenario-tool dump.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "compiler/compile.hpp"
#include "compiler/compiled_files.hpp"
#include "storage/byte_sink.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"
#include "tools/drawing/compiled_decoder.hpp"

namespace borgo::tools::testing {
namespace {

using borgo::testing::ScratchFolder;
using borgo::testing::slurp;
using borgo::testing::spit;

// The fixture scenario compiled in-process, its model kept.
struct Compiled {
  ScratchFolder out;
  compiler::RouteModel model;

  Compiled() {
    const std::string line = slurp(kFixture / kLineDocument);
    const std::string train = slurp(kFixture / kTrainDocument);
    const compiler::Compilation result = compiler::compile({.line_name = kLine,
                                                            .train_name = kTrain,
                                                            .write_line_file = 1,
                                                            .line_description = line,
                                                            .train_description = train});
    EXPECT_EQ(result.outcome.error_number, 0);
    model = *result.model;
    for (const compiler::CompiledFile& file : result.files) {
      spit(out / file.name(), storage::bytes_of(file));
    }
  }
  std::filesystem::path file(const std::string& name) const { return out.path() / name; }
  std::filesystem::path cells() const { return file(compiler::cell_file_name(model)); }
  std::filesystem::path items() const { return file(compiler::train_file_name(model)); }
  std::filesystem::path plan() const { return file(compiler::line_file_name(model)); }
};

TEST(CompiledDecoder, ReadsBackWhatTheCompilerWrote) {
  const Compiled c;
  const DecodedCells cells = decode_cell_file(slurp(c.cells()));
  EXPECT_FALSE(cells.problem);
  EXPECT_EQ(cells.cells, c.model.cells);

  const DecodedItems items = decode_train_file(slurp(c.items()));
  EXPECT_FALSE(items.problem);
  ASSERT_EQ(items.items.size(), c.model.items.size());
  for (std::size_t i = 0; i < items.items.size(); ++i) EXPECT_EQ(items.items[i], c.model.items[i]);

  const DecodedPlan plan = decode_line_file(slurp(c.plan()));
  EXPECT_FALSE(plan.problem);
  EXPECT_EQ(plan.columns[0], c.model.line_plan.column(0));
  EXPECT_EQ(plan.columns[1], c.model.line_plan.column(1));
}

TEST(CompiledDecoder, SaysWhereAFileStopsFittingItsLayout) {
  const Compiled c;
  const std::string cells = slurp(c.cells());
  const std::string items = slurp(c.items());
  const std::string plan = slurp(c.plan());
  struct Case {
    const char* name;
    std::optional<LayoutProblem> problem;
    std::size_t offset;
    const char* words;
  };
  // Item 0 is 34 bytes, item 1 ("Capo Nord") 43: item 1 begins at byte 34.
  const Case cases[] = {
      {"cell file cut in a cell", decode_cell_file(cells.substr(0, 15 * 7 + 4)).problem, 105,
       "cell 7 is cut short after 4 bytes"},
      {"empty cell file", decode_cell_file("").problem, 0, "empty"},
      // A 1000000 m line has cells 0 to rnd(1007000 / 50) = 20140: 302115 bytes.
      {"cell file of one cell more than the largest grid",
       decode_cell_file(std::string(302115 + 15, '\0')).problem, 302115,
       "the file is 302130 bytes, longer than the largest grid: a line of at most 1000000 m has "
       "at most 20141 cells (302115 bytes), and cell 20141 lies beyond them"},
      {"cell file of one byte more than the largest grid",
       decode_cell_file(std::string(302115 + 1, '\0')).problem, 302115, "longer than the largest"},
      {"cell file far larger than the largest grid",
       decode_cell_file(std::string(100 * 302115, '\0')).problem, 302115,
       "longer than the largest"},
      {"train file cut in a text", decode_train_file(items.substr(0, 34 + 20)).problem, 34 + 16,
       "record 1 (from byte 34) is cut short in its text"},
      {"train file cut between records", decode_train_file(items.substr(0, 34)).problem, 34,
       "ends after 1 records"},
      {"train file too long", decode_train_file(items + "xyz").problem, items.size(),
       "3 bytes left over"},
      // The line file ends with a double and the two unset entries of the last metres.
      {"line file cut in a value", decode_line_file(plan.substr(0, plan.size() - 7)).problem,
       plan.size() - 14, "entry"},
      {"line file with a strange type", decode_line_file(std::string("\x07\x00", 2) + plan).problem,
       0, "type code 7"},
      {"line file with one coordinate more",
       decode_line_file(plan + std::string("\0\0", 2)).problem, plan.size() + 2, "odd number"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    ASSERT_TRUE(t.problem);
    EXPECT_EQ(t.problem->offset, t.offset) << t.problem->message;
    EXPECT_NE(t.problem->message.find(t.words), std::string::npos) << t.problem->message;
  }
}

TEST(CompiledDecoder, TakesTheLargestGridAndKeepsOnlyThatOfALargerFile) {
  const DecodedCells largest = decode_cell_file(std::string(302115, '\0'));
  EXPECT_FALSE(largest.problem) << largest.problem->message;
  EXPECT_EQ(largest.cells.size(), 20141u);
  const DecodedCells larger = decode_cell_file(std::string(10 * 302115, '\0'));
  EXPECT_TRUE(larger.problem);
  EXPECT_EQ(larger.cells.size(), 20141u);
}

TEST(DumpCommand, ShowsKnownFilesByRole) {
  const Compiled c;
  const ToolRun run = tool({"dump", c.items().string(), c.cells().string(), c.plan().string()});
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* line : {
           "  item 1: index=1 role=\"station\" name=\"Capo Nord\" type=8 position=0 "
           "zone_start=-500 zone_end=500 time=\"08:15:00\"",
           "  item 80: index=80 role=\"sign\" text=\"(  Cippo  )(Km 6+000)\"",
           "  item 81: index=81 role=\"progressive_change\" position=3100 value=3050 flag=0",
           "  item 85: index=85 role=\"line\" name=\"Costa\" background_uno=1 background_due=0 "
           "background_tre=0 stamp=610",
           "  item 86: index=86 role=\"train\" name=\"R 12\" repetition_from=1000 "
           "repetition_to=15000 repetition_codes=9 sand=100 clock=\"08:15:00\"",
           "  cell 21: index=21 from_m=1000 to_m=1050 kind=\"speed_indicators\" a_left=90",
           "  cell 22: index=22 from_m=1050 to_m=1100 kind=\"signal\" s1=4 d1=2 s2=1 d2=1 s3=1 "
           "d3=1 rapp=0 sx=2 dx=2 time=210 line_speed_kmh=100",
           "  cell 141: index=141 from_m=7000 to_m=7050 kind=\"code_point\" code=270",
           "  cell 241: index=241 from_m=12000 to_m=12050 kind=\"slow_down_start\" limit_kmh=60",
           "  metre 0: metre=0 x=0.000 y=0.000",
           "  metre 1000: metre=1000 x=0.000 y=1000.000",
       }) {
    EXPECT_NE(run.out.find(line), std::string::npos) << line;
  }
  // Empty items and cells are left out.
  EXPECT_EQ(run.out.find("  item 0:"), std::string::npos);
  EXPECT_EQ(run.out.find("  cell 540:"), std::string::npos);
  EXPECT_NE(run.out.find("line_length=20000"), std::string::npos);
}

TEST(DumpCommand, JsonSaysTheSame) {
  const Compiled c;
  const ToolRun run = tool({"dump", "--json", c.items().string(), c.cells().string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("[\n  {\"file\": ", 0), 0u);
  EXPECT_EQ(run.out.substr(run.out.size() - 3), "\n]\n");
  for (const char* part : {
           "\"type\": \"train\", \"record_count\": 87, \"items\": [",
           "{\"index\": 1, \"role\": \"station\", \"name\": \"Capo Nord\", \"type\": 8",
           "\"type\": \"cells\", \"cell_count\": 541, \"cells\": [",
           "{\"index\": 22, \"from_m\": 1050, \"to_m\": 1100, \"kind\": \"signal\", \"s1\": 4",
           "\"problem\": null}",
       }) {
    EXPECT_NE(run.out.find(part), std::string::npos) << part;
  }
}

TEST(DumpCommand, ATruncatedFileSaysSoAndWhere) {
  const Compiled c;
  ScratchFolder folder;
  const std::filesystem::path cut = folder / "Costa_R 12.dat";
  spit(cut, slurp(c.cells()).substr(0, 15 * 30 + 8));
  const ToolRun text = tool({"dump", cut.string()});
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.out.find(cut.string() + ": does not fit its layout at byte 450: the file is 458 "
                                         "bytes, not a whole number of 15-byte cells: cell 30 "
                                         "is cut short after 8 bytes"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("  cell 22: "), std::string::npos);  // what fits is shown

  const ToolRun json = tool({"dump", "--json", "--as", "cells", cut.string()});
  EXPECT_EQ(json.status, 1);
  EXPECT_NE(json.out.find("\"problem\": {\"offset\": 450, \"message\": \"the file is 458 bytes"),
            std::string::npos)
      << json.out;
}

// A file larger than any compiled file of its kind is told by its size and
// not read: nothing of it is shown. The largest: 87 records of 34 bytes with
// texts of 65535 bytes, 5704503 bytes; a line of 1000000 m, 20141 cells of 15
// bytes, 302115 bytes, and 1007001 metres of plan, two entries of 10 bytes
// each, 20140020 bytes. Sparse files, which take no room on the disk.
TEST(DumpCommand, AFileLargerThanItsKindCanBeIsToldByItsSize) {
  constexpr std::uintmax_t kTwoGigabytes = std::uintmax_t{1} << 31;
  struct Case {
    const char* name;
    std::string file;
    std::uintmax_t size;
    int status;
    std::string said;  // empty: fits
  };
  const Case cases[] = {
      {"a train file of 2 GB", "a.sim", kTwoGigabytes, 1,
       "at byte 5704503: the file is 2147483648 bytes, longer than the largest train file"},
      {"a cell file of 2 GB", "a.dat", kTwoGigabytes, 1,
       "at byte 302115: the file is 2147483648 bytes, longer than the largest grid"},
      {"a line file of 2 GB", "a_linea.dat", kTwoGigabytes, 1,
       "at byte 20140020: the file is 2147483648 bytes, longer than the largest line file"},
      {"a train file a byte past the largest", "a.sim", 5704504, 1,
       "at byte 5704503: the file is 5704504 bytes, longer than the largest train file"},
      // Read: its 87 records of empty texts leave the rest over.
      {"a train file of the largest size", "a.sim", 5704503, 1,
       "at byte 2958: 5701545 bytes left over after the 87 records"},
      {"a cell file of the largest size", "a.dat", 302115, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const std::filesystem::path file = folder / c.file;
    spit(file, "");
    std::filesystem::resize_file(file, c.size);
    const ToolRun run = tool({"dump", file.string()});
    EXPECT_EQ(run.status, c.status) << run.err;
    const std::vector<std::string> lines = run.lines(run.out);
    if (c.said.empty()) {
      EXPECT_EQ(run.out.find("does not fit"), std::string::npos) << run.out;
      continue;
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind(file.string() + ": does not fit its layout " + c.said, 0), 0u)
        << lines.back();
    if (c.size == kTwoGigabytes) {
      EXPECT_EQ(lines.size(), 2u) << run.out;  // the summary, and why
      const ToolRun json = tool({"dump", "--json", file.string()});
      EXPECT_EQ(json.status, 1);
      EXPECT_NE(json.out.find("\"bytes\": 2147483648, \"type\": "), std::string::npos) << json.out;
      EXPECT_NE(json.out.find("\"problem\": {\"offset\": "), std::string::npos) << json.out;
    }
  }
}

}  // namespace
}  // namespace borgo::tools::testing
