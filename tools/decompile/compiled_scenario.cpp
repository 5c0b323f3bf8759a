#include "tools/decompile/compiled_scenario.hpp"

#include <algorithm>
#include <utility>

#include "compiler/compiled_layout.hpp"
#include "compiler/contest_codes.hpp"
#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"
#include "tools/drawing/compiled_decoder.hpp"

namespace borgo::tools::decompile {
namespace {

using compiler::CompiledFileKind;

// Byte offsets of the cell record's fields, in file order.
constexpr std::array<std::size_t, 11> kCellFieldOffsets{0, 1, 3, 5, 7, 9, 10, 11, 12, 13, 14};
// Byte offsets of the item record's fields before its text, and after it
// counted from the end of the text.
constexpr std::array<std::size_t, 5> kItemOffsetsBeforeText{0, 1, 5, 9, 13};
constexpr std::size_t kItemTextLengthOffset = 14;
constexpr std::size_t kItemTextOffset = 16;
constexpr std::array<std::size_t, 10> kItemOffsetsAfterText{0, 2, 4, 6, 8, 10, 11, 12, 13, 14};

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

void check_layout(const std::optional<LayoutProblem>& problem, CompiledFileKind file) {
  if (problem) misfit(Misfit::Kind::kLayout, file, problem->offset, problem->message);
}

void check_sizes(CompiledScenario& s, std::size_t cell_count,
                 const std::optional<LineFileLayout>& plan) {
  const std::int32_t length =
      compiler::TrainAndLengthItem(s.items[compiler::kTrainAndLength]).line_length();
  if (length < 0 || length > compiler::kLongestLine) {
    s.item_misfit(compiler::kTrainAndLength, ItemField::kEnd,
                  "the line length " + std::to_string(length) + " m lies outside 0 to " +
                      std::to_string(compiler::kLongestLine) +
                      " m: the compile writes no grid then");
  }
  s.line_length = length;
  s.cell_last = compiler::grid_cell_last(length);
  s.plan_last = compiler::plan_metre_last(length);
  const std::size_t cells_wanted = static_cast<std::size_t>(s.cell_last) + 1;
  if (cell_count != cells_wanted) {
    misfit(Misfit::Kind::kLayout, CompiledFileKind::kCells,
           std::min(cell_count, cells_wanted) * compiler::layout::kCellBytes,
           "the file holds " + std::to_string(cell_count) + " cells, but a line of " +
               std::to_string(length) + " m (item 84) has " + std::to_string(cells_wanted));
  }
  if (plan) {
    const std::size_t metres_wanted = static_cast<std::size_t>(s.plan_last) + 1;
    if (plan->metres() != metres_wanted) {
      misfit(Misfit::Kind::kLayout, CompiledFileKind::kLinePlan, 0,
             "the file holds " + std::to_string(plan->metres()) +
                 " metres a coordinate, but a line of " + std::to_string(length) +
                 " m (item 84) has " + std::to_string(metres_wanted));
    }
  }
}

// The names in items 85 and 86, the stamps and both contest codes.
void check_stamps(CompiledScenario& s, const compiler::CellRecord& stamped_cell) {
  using namespace compiler;
  const LineItem line(std::as_const(s.items[kLineRecord]));
  const TrainItem train(std::as_const(s.items[kTrainRecord]));
  if (line.name() != s.line_name) {
    s.item_misfit(kLineRecord, ItemField::kText,
                  "the line name is " + quoted(line.name()) + ", not " + quoted(s.line_name),
                  Misfit::Kind::kLayout);
  }
  if (train.name() != s.train_name) {
    s.item_misfit(kTrainRecord, ItemField::kText,
                  "the train name is " + quoted(train.name()) + ", not " + quoted(s.train_name),
                  Misfit::Kind::kLayout);
  }
  RouteModel names;
  names.items[kLineRecord].text = s.line_name;
  names.items[kTrainRecord].text = s.train_name;
  const std::int32_t weighted = codice_gara_st(names);
  const std::int16_t plain = codice_gara_og(names);
  if (line.contest_stamp() != kItemContestStamp) {
    s.item_misfit(kLineRecord, ItemField::kInt1,
                  "the stamp is " + std::to_string(line.contest_stamp()) + ", not " +
                      std::to_string(kItemContestStamp));
  }
  if (line.weighted_contest_code() != weighted) {
    s.item_misfit(kLineRecord, ItemField::kSeconds,
                  "the weighted contest code is " + std::to_string(line.weighted_contest_code()) +
                      ", but the names give " + std::to_string(weighted));
  }
  if (contest_stamp(stamped_cell) != kCellContestStamp) {
    s.cell_misfit(kContestCell, CellField::kValue1,
                  "the stamp is " + std::to_string(contest_stamp(stamped_cell)) + ", not " +
                      std::to_string(kCellContestStamp));
  }
  if (plain_contest_code(stamped_cell) != plain) {
    s.cell_misfit(kContestCell, CellField::kValue2,
                  "the plain contest code is " + std::to_string(plain_contest_code(stamped_cell)) +
                      ", but the names give " + std::to_string(plain));
  }
}

// The metres a coordinate of the line file has for the line length that
// item 84 gives; none when that length has no plan.
std::optional<std::size_t> metres_wanted(const CompiledScenario& s) {
  const std::int32_t length =
      compiler::TrainAndLengthItem(s.items[compiler::kTrainAndLength]).line_length();
  if (length < 0 || length > compiler::kLongestLine) return std::nullopt;
  return static_cast<std::size_t>(compiler::plan_metre_last(length)) + 1;
}

// A line file as a compile writes it for `metres` metres a coordinate: each
// coordinate the origin's two 16-bit integers, doubles up to where the plan
// was reached, then entries unset, both coordinates alike; its size alone
// then says how many doubles. Its doubles' codes are checked as the plan is
// walked, so the file is read once. Nothing when it is shaped otherwise:
// the general reading then tells where it stops fitting.
bool read_as_compiled(CompiledScenario& s, std::string_view bytes, std::size_t metres) {
  using compiler::PlanValue;
  using compiler::layout::plan_entry_bytes;
  constexpr std::size_t kOrigin = 2 * plan_entry_bytes(PlanValue::kInt16);
  constexpr std::size_t kUnsetBytes = plan_entry_bytes(PlanValue::kUnset);
  constexpr std::size_t kDoubleBytes = plan_entry_bytes(PlanValue::kDouble);
  const std::size_t half = bytes.size() / 2;
  if (bytes.size() % 2 != 0 || metres < 2 || half < kOrigin + (metres - 2) * kUnsetBytes) {
    return false;
  }
  const std::size_t extra = half - kOrigin - (metres - 2) * kUnsetBytes;
  if (extra % (kDoubleBytes - kUnsetBytes) != 0) return false;
  const std::size_t doubles = extra / (kDoubleBytes - kUnsetBytes);
  if (doubles > metres - 2) return false;
  const std::size_t unset = metres - 2 - doubles;
  const auto code_at = [&](std::size_t at) {
    return little_endian_at<compiler::layout::PlanTypeCode>(bytes.data() + at);
  };
  std::vector<PlanEntryRun> runs;
  for (std::size_t c = 0; c < 2; ++c) {
    const std::size_t base = c * half;
    const std::size_t first = c * metres;
    if (code_at(base) != PlanValue::kInt16 ||
        code_at(base + plan_entry_bytes(PlanValue::kInt16)) != PlanValue::kInt16) {
      return false;
    }
    const std::size_t tail = base + kOrigin + doubles * kDoubleBytes;
    for (std::size_t i = 0; i < unset; ++i) {
      if (code_at(tail + i * kUnsetBytes) != PlanValue::kUnset) return false;
    }
    runs.push_back({PlanValue::kInt16, first, 2, base});
    if (doubles > 0) runs.push_back({PlanValue::kDouble, first + 2, doubles, base + kOrigin});
    if (unset > 0) runs.push_back({PlanValue::kUnset, first + 2 + doubles, unset, tail});
  }
  std::optional<PlanTurns> turns =
      plan_turns(bytes.data() + kOrigin, bytes.data() + half + kOrigin, doubles + 2, true);
  if (!turns) return false;
  s.plan.emplace(bytes, std::move(runs));
  s.turns = std::move(turns);
  return true;
}

}  // namespace

void misfit(Misfit::Kind kind, compiler::CompiledFileKind file, std::size_t offset,
            std::string reason) {
  throw MisfitFound{Misfit{kind, file, offset, std::move(reason)}};
}

std::string_view cell_field_name(CellField field) {
  static constexpr std::array<std::string_view, 11> kNames{
      "kind",          "value1",        "value2",     "value3",        "value4",  "signal_time",
      "approach_mark", "mountain_type", "speed_code", "gradient_code", "adhesion"};
  return kNames[static_cast<std::size_t>(field)];
}

std::string_view item_field_name(ItemField field) {
  static constexpr std::array<std::string_view, 16> kNames{
      "kind", "start", "end",  "position", "flag",  "text",  "int1",  "int2",
      "int3", "int4",  "int5", "byte1",    "byte2", "byte3", "byte4", "seconds"};
  return kNames[static_cast<std::size_t>(field)];
}

std::size_t CompiledScenario::cell_offset(std::int64_t cell, CellField field) const {
  return static_cast<std::size_t>(cell) * compiler::layout::kCellBytes +
         kCellFieldOffsets[static_cast<std::size_t>(field)];
}

std::size_t CompiledScenario::item_offset(int item, ItemField field) const {
  const std::size_t record = item_offsets[static_cast<std::size_t>(item)];
  const auto index = static_cast<std::size_t>(field);
  if (field < ItemField::kText) return record + kItemOffsetsBeforeText[index];
  if (field == ItemField::kText) return record + kItemTextLengthOffset;
  const std::size_t text = items[static_cast<std::size_t>(item)].text.size();
  return record + kItemTextOffset + text +
         kItemOffsetsAfterText[index - static_cast<std::size_t>(ItemField::kInt1)];
}

std::size_t CompiledScenario::plan_offset(int coordinate, std::int64_t metre) const {
  if (!plan) return 0;
  const std::size_t metres = plan->metres();
  return plan->offset_of(static_cast<std::size_t>(coordinate) * metres +
                         std::min(static_cast<std::size_t>(metre), metres));
}

void CompiledScenario::cell_misfit(std::int64_t cell, CellField field, std::string reason,
                                   Misfit::Kind kind) const {
  misfit(
      kind, compiler::CompiledFileKind::kCells, cell_offset(cell, field),
      "cell " + std::to_string(cell) + " " + std::string(cell_field_name(field)) + ": " + reason);
}

void CompiledScenario::item_misfit(int item, ItemField field, std::string reason,
                                   Misfit::Kind kind) const {
  misfit(
      kind, compiler::CompiledFileKind::kItems, item_offset(item, field),
      "item " + std::to_string(item) + " " + std::string(item_field_name(field)) + ": " + reason);
}

CompiledScenario read_compiled_scenario(const CompiledInput& input) {
  CompiledScenario s;
  s.line_name = input.line_name;
  s.train_name = input.train_name;

  DecodedItems items = decode_train_file(input.train_file);
  check_layout(items.problem, CompiledFileKind::kItems);
  for (std::size_t i = 0; i < s.items.size(); ++i) {
    s.items[i] = std::move(items.items[i]);
    s.item_offsets[i] = items.offsets[i];
  }
  DecodedCells cells = decode_cell_file(input.cell_file);
  check_layout(cells.problem, CompiledFileKind::kCells);
  s.cells = std::move(cells.cells);
  if (input.line_file) {
    const std::optional<std::size_t> metres = metres_wanted(s);
    if (!metres || !read_as_compiled(s, *input.line_file, *metres)) {
      s.plan.emplace(*input.line_file);
      check_layout(s.plan->problem(), CompiledFileKind::kLinePlan);
    }
  }

  check_sizes(s, s.cells.size(), s.plan);
  const compiler::CellRecord stamped = s.cells[compiler::kContestCell];
  check_stamps(s, stamped);
  compiler::contest_stamp(s.cells[compiler::kContestCell]) = 0;
  compiler::plain_contest_code(s.cells[compiler::kContestCell]) = 0;
  return s;
}

}  // namespace borgo::tools::decompile
