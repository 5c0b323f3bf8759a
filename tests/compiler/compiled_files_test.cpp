#include "compiler/compiled_files.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/runtime_failure.hpp"
#include "storage/byte_sink.hpp"
#include "tests/support/compiled_decoder.hpp"

namespace borgo::compiler {
namespace {

using borgo::testing::decode_cells;
using borgo::testing::decode_items;
using borgo::testing::decode_line_plan;

std::string bytes_of(const RouteModel& model, CompiledFileKind kind) {
  const CompiledFile file(kind, model);
  std::string bytes = storage::bytes_of(file);
  EXPECT_EQ(bytes.size(), file.size());  // the size announced before writing
  return bytes;
}

RouteModel small_model() {
  RouteModel model;
  model.line_name = "Borgo_Mar";
  model.train_name = "TX 903";
  model.cell_last = 4;
  model.cells.assign(5, CellRecord{});
  model.cells[1] = {kSignal, 5121, -2, 300, -32768, 210, 81, 2, 20, 255, 44};
  model.items[kTrainRecord].text = "TX 903";
  model.items[kTrainRecord].int3 = 14;
  model.items[1] = {8, -500, 500, 0, 1, "Roma", 3, 1, 2, 1, 1, 0, 1, 0, 0, 52};
  return model;
}

TEST(CompiledFiles, CellsAreFifteenBytesEachInFieldOrder) {
  const RouteModel model = small_model();
  const std::string bytes = bytes_of(model, CompiledFileKind::kCells);
  ASSERT_EQ(bytes.size(), 5u * 15);
  // Cell 1's first value at bytes 16 and 17, little-endian.
  EXPECT_EQ(static_cast<unsigned char>(bytes[16]), 5121 & 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(bytes[17]), 5121 >> 8);
  const auto cells = decode_cells(bytes);
  const auto& c = cells[1];
  EXPECT_EQ(c.kind, kSignal);
  EXPECT_EQ(c.value2, -2);
  EXPECT_EQ(c.value3, 300);
  EXPECT_EQ(c.value4, -32768);
  EXPECT_EQ(c.signal_time, 210);
  EXPECT_EQ(c.approach_mark, 81);
  EXPECT_EQ(c.mountain_type, 2);
  EXPECT_EQ(c.speed_code, 20);
  EXPECT_EQ(c.gradient_code, 255);
  EXPECT_EQ(c.adhesion, 44);
}

TEST(CompiledFiles, ItemsCarryTheirTextsWithASixteenBitLength) {
  const RouteModel model = small_model();
  const std::string bytes = bytes_of(model, CompiledFileKind::kItems);
  const auto items = decode_items(bytes);
  ASSERT_EQ(items.size(), 87u);
  EXPECT_EQ(items[0].offset, 0u);
  EXPECT_EQ(items[1].offset, 34u);           // item 0 is empty: 34 bytes
  EXPECT_EQ(items[2].offset, 34u + 34 + 4);  // "Roma"
  EXPECT_EQ(bytes.size(), 87u * 34 + 4 + 6);
  EXPECT_EQ(items[86].offset + 40, bytes.size());  // "TX 903" takes 40 bytes
  EXPECT_EQ(items[86].text, "TX 903");
  EXPECT_EQ(items[86].int3, 14);
  const auto& roma = items[1];
  EXPECT_EQ(roma.kind, 8);
  EXPECT_EQ(roma.start, -500);
  EXPECT_EQ(roma.end, 500);
  EXPECT_EQ(roma.flag, 1);
  EXPECT_EQ(roma.text, "Roma");
  EXPECT_EQ(roma.int1, 3);
  EXPECT_EQ(roma.int5, 1);
  EXPECT_EQ(roma.byte2, 1);
  EXPECT_EQ(roma.seconds, 52);
}

TEST(CompiledFiles, LinePlanIsWrittenColumnByColumnAsTaggedValues) {
  RouteModel model = small_model();
  model.line_plan.reset(4);
  model.line_plan.place_origin();
  // Metre 2 steps (0, 1) from metre 1, turned by k = -0.25: (0 + -0.25 * 1, 1 + 1 - 0).
  model.line_plan.add_run(2, -0.25);
  const std::string bytes = bytes_of(model, CompiledFileKind::kLinePlan);
  EXPECT_EQ(bytes.size(), 4u * 4 + 2 * 10 + 2 * 2);
  const auto entries = decode_line_plan(bytes);
  ASSERT_EQ(entries.size(), 8u);
  const std::uint16_t types[] = {2, 2, 5, 0, 2, 2, 5, 0};
  const double values[] = {0, 0, -0.25, 0, 0, 1, 2.0, 0};
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(entries[i].type, types[i]) << i;
    EXPECT_EQ(entries[i].value, values[i]) << i;
  }
}

// A plan far longer than a chunk comes out whole: a straight line from the
// origin is the metre itself in its second coordinate.
TEST(CompiledFiles, ALongPlanComesOutWholeAcrossChunks) {
  RouteModel model = small_model();
  constexpr int kMetres = 30001;
  model.line_plan.reset(kMetres);
  model.line_plan.place_origin();
  model.line_plan.add_run(10000, 0.0);
  model.line_plan.add_run(kMetres - 3, 0.0);
  const auto entries = decode_line_plan(bytes_of(model, CompiledFileKind::kLinePlan));
  ASSERT_EQ(entries.size(), 2u * kMetres);
  for (int m = 2; m < kMetres - 2; ++m) {
    ASSERT_EQ(entries[m].type, 5) << m;
    ASSERT_EQ(entries[m].value, 0.0) << m;
    ASSERT_EQ(entries[kMetres + m].type, 5) << m;
    ASSERT_EQ(entries[kMetres + m].value, m) << m;
  }
  EXPECT_EQ(entries[kMetres - 2].type, 0);  // the last two metres are never set
  EXPECT_EQ(entries[2 * kMetres - 1].type, 0);
}

// The line file's coordinates are those of one walk along the plan, metre
// by metre, however the writer splits the walk: plans of many lengths, with
// runs of one metre and of hundreds, turning and straight.
TEST(CompiledFiles, LinePlanEntriesAreThoseOfOneWalk) {
  const int walked_cases[] = {1,     2,     4095,  4096,  4097,  8192, 12288,
                              12289, 16383, 16384, 16385, 40000, 70001};
  for (const int walked : walked_cases) {
    RouteModel model = small_model();
    const int metres = walked + 2 + 5;  // five metres never set
    model.line_plan.reset(metres);
    model.line_plan.place_origin();
    const int lengths[] = {1, 2, 700, 3, 1, 4099, 50};
    const double turns[] = {0.0, 0.0004, -0.003, 0.0, 0.002, -0.0001, 0.001};
    for (int i = 0; model.line_plan.reached() < walked + 2; ++i) {
      const int last = std::min(model.line_plan.reached() + lengths[i % 7] - 1, walked + 1);
      model.line_plan.add_run(last, turns[i % 5]);
    }
    const auto entries = decode_line_plan(bytes_of(model, CompiledFileKind::kLinePlan));
    ASSERT_EQ(entries.size(), 2u * static_cast<std::size_t>(metres)) << walked;
    for (int c = 0; c < 2; ++c) {
      const PlanColumn column = model.line_plan.column(c);
      for (int m = 0; m < metres; ++m) {
        const auto& entry = entries[static_cast<std::size_t>(c * metres + m)];
        const PlanValue expected = column[static_cast<std::size_t>(m)];
        ASSERT_EQ(entry.type, expected.tag) << walked << " " << c << " " << m;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(entry.value),
                  std::bit_cast<std::uint64_t>(expected.as_double()))
            << walked << " " << c << " " << m;
      }
    }
  }
}

TEST(CompiledFiles, APlanWithoutItsOriginHasNoEntrySet) {
  RouteModel model = small_model();
  model.line_plan.reset(3);  // reading stopped before the body
  const auto entries = decode_line_plan(bytes_of(model, CompiledFileKind::kLinePlan));
  ASSERT_EQ(entries.size(), 6u);
  for (const auto& entry : entries) EXPECT_EQ(entry.type, 0);
}

TEST(CompiledFiles, PlanColumnsGiveBackEachEntryAsSet) {
  const PlanValue cases[] = {PlanValue{}, PlanValue::of_int16(-32768), PlanValue::of_int16(1),
                             PlanValue::of_double(-0.25), PlanValue::of_double(1e300)};
  PlanColumn column;
  column.assign(std::size(cases), PlanValue::of_double(7.0));
  for (std::size_t m = 0; m < std::size(cases); ++m) column.set(m, cases[m]);
  for (std::size_t m = 0; m < std::size(cases); ++m) {
    EXPECT_EQ(column[m], cases[m]) << m;
    EXPECT_EQ(column.tag(m), cases[m].tag) << m;
    EXPECT_EQ(column.as_double(m), cases[m].as_double()) << m;
  }
  PlanColumn appended;
  for (const PlanValue& value : cases) appended.push_back(value);
  EXPECT_EQ(appended, column);
}

TEST(CompiledFiles, ComeInWritingOrderWithTheirNames) {
  RouteModel model = small_model();
  model.line_plan.reset(2);
  for (const std::int32_t j : {0, 1}) {
    SCOPED_TRACE(j);
    model.write_line_file = j;
    std::vector<std::string> names;
    for (const CompiledFile& file : compiled_files(model)) names.push_back(file.name());
    std::vector<std::string> expected = {"Borgo_Mar_TX 903.sim", "Borgo_Mar_TX 903.dat"};
    if (j != 0) expected.insert(expected.begin(), "Borgo_Mar_linea.dat");
    EXPECT_EQ(names, expected);
  }
}

TEST(CompiledFiles, ATextTooLongForItsLengthFailsBeforeAnyFileIsWritten) {
  RouteModel model = small_model();
  model.items[80].text = std::string(65535, 's');
  EXPECT_EQ(compiled_files(model).size(), 2u);
  model.items[80].text += 's';
  EXPECT_THROW(compiled_files(model), RuntimeFailure);
}

}  // namespace
}  // namespace borgo::compiler
