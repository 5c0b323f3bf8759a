#include "tools/decompile/round_trip_check.hpp"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "compiler/compile.hpp"
#include "compiler/compiled_layout.hpp"
#include "compiler/runtime_failure.hpp"
#include "storage/byte_sink.hpp"
#include "tools/decompile/compiled_scenario.hpp"
#include "tools/decompile/rows/general_rows.hpp"
#include "tools/drawing/compiled_decoder.hpp"

namespace borgo::tools::decompile {
namespace {

using compiler::CompiledFileKind;

std::size_t first_difference(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  return static_cast<std::size_t>(
      std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin()).first -
      a.begin());
}

std::string bytes_at(std::string_view file, std::size_t offset) {
  if (offset >= file.size())
    return "the end of the file (" + std::to_string(file.size()) + " bytes)";
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02x", static_cast<unsigned char>(file[offset]));
  return std::string("byte ") + hex;
}

std::int64_t cell_field(const compiler::CellRecord& c, std::size_t field) {
  switch (static_cast<CellField>(field)) {
    case CellField::kKind:
      return c.kind;
    case CellField::kValue1:
      return c.value1;
    case CellField::kValue2:
      return c.value2;
    case CellField::kValue3:
      return c.value3;
    case CellField::kValue4:
      return c.value4;
    case CellField::kSignalTime:
      return c.signal_time;
    case CellField::kApproachMark:
      return c.approach_mark;
    case CellField::kMountainType:
      return c.mountain_type;
    case CellField::kSpeedCode:
      return c.speed_code;
    case CellField::kGradientCode:
      return c.gradient_code;
    case CellField::kAdhesion:
      return c.adhesion;
  }
  return 0;
}

void name_cell(Difference& d, std::string_view expected, std::string_view got) {
  constexpr std::array<std::size_t, 11> kStarts{0, 1, 3, 5, 7, 9, 10, 11, 12, 13, 14};
  const std::size_t index = d.offset / compiler::layout::kCellBytes;
  const std::size_t in_record = d.offset % compiler::layout::kCellBytes;
  std::size_t field = 0;
  while (field + 1 < kStarts.size() && kStarts[field + 1] <= in_record) ++field;
  d.where = "cell " + std::to_string(index) + " " +
            std::string(cell_field_name(static_cast<CellField>(field)));
  const DecodedCells a = decode_cell_file(expected);
  const DecodedCells b = decode_cell_file(got);
  if (index < a.cells.size()) d.expected = std::to_string(cell_field(a.cells[index], field));
  if (index < b.cells.size()) d.got = std::to_string(cell_field(b.cells[index], field));
}

void name_item(Difference& d, std::string_view expected, std::string_view got) {
  const DecodedItems a = decode_train_file(expected);
  const DecodedItems b = decode_train_file(got);
  std::size_t index = 0;
  while (index + 1 < a.offsets.size() && a.offsets[index + 1] <= d.offset) ++index;
  if (index >= a.items.size() || index >= b.items.size()) return;
  // The field: the first whose value differs.
  for (int f = 0; f < 16; ++f) {
    const auto field = static_cast<ItemField>(f);
    const bool text = field == ItemField::kText;
    const auto& x = a.items[index];
    const auto& y = b.items[index];
    if (text ? x.text != y.text : item_field_value(x, field) != item_field_value(y, field)) {
      d.where = "item " + std::to_string(index) + " " + std::string(item_field_name(field));
      d.expected = text ? "\"" + x.text + "\"" : std::to_string(item_field_value(x, field));
      d.got = text ? "\"" + y.text + "\"" : std::to_string(item_field_value(y, field));
      return;
    }
  }
}

std::string plan_entry(const compiler::PlanValue& v) {
  switch (v.tag) {
    case compiler::PlanValue::kInt16:
      return "16-bit " + std::to_string(v.integer);
    case compiler::PlanValue::kDouble: {
      char text[40];
      std::snprintf(text, sizeof text, "%.17g", v.real);
      return text;
    }
    default:
      return "unset";
  }
}

void name_plan(Difference& d, std::string_view expected, std::string_view got) {
  const DecodedPlan a = decode_line_file(expected);
  const DecodedPlan b = decode_line_file(got);
  std::size_t offset = 0;
  std::size_t entry = 0;
  for (; entry < a.entries.size(); ++entry) {
    const std::size_t next = offset + compiler::layout::plan_entry_bytes(a.entries[entry].tag);
    if (next > d.offset) break;
    offset = next;
  }
  const std::size_t half = a.entries.size() / 2;
  if (half == 0 || entry >= a.entries.size()) return;
  d.where = "metre " + std::to_string(entry % half) + " coordinate " + std::to_string(entry / half);
  d.expected = plan_entry(a.entries[entry]);
  if (entry < b.entries.size()) d.got = plan_entry(b.entries[entry]);
}

std::optional<Difference> compare(CompiledFileKind kind, std::string_view expected,
                                  std::string_view got) {
  const std::size_t offset = first_difference(expected, got);
  if (offset == expected.size() && offset == got.size()) return std::nullopt;
  Difference d{kind, offset, "byte " + std::to_string(offset), bytes_at(expected, offset),
               bytes_at(got, offset)};
  // One file is the other and more; or, in the line file, whose metres
  // then differ in number, anywhere.
  const bool sizes_differ = expected.size() != got.size();
  if (sizes_differ &&
      (offset == std::min(expected.size(), got.size()) || kind == CompiledFileKind::kLinePlan)) {
    d.where = "the file's size";
    d.expected = std::to_string(expected.size()) + " bytes";
    d.got = std::to_string(got.size()) + " bytes";
    return d;
  }
  switch (kind) {
    case CompiledFileKind::kCells:
      name_cell(d, expected, got);
      break;
    case CompiledFileKind::kItems:
      name_item(d, expected, got);
      break;
    case CompiledFileKind::kLinePlan:
      name_plan(d, expected, got);
      break;
  }
  return d;
}

}  // namespace

RoundTrip check_round_trip(const CompiledInput& input, const Descriptions& descriptions) {
  RoundTrip result;
  compiler::Compilation compiled;
  try {
    compiled = compiler::compile({.line_name = input.line_name,
                                  .train_name = input.train_name,
                                  .write_line_file = input.line_file ? 1 : 0,
                                  .line_description = descriptions.line,
                                  .train_description = descriptions.train});
  } catch (const compiler::RuntimeFailure& failure) {
    result.difference = Difference{CompiledFileKind::kItems, 0, "the compile", "files",
                                   std::string("no files: ") + failure.what()};
    return result;
  }
  if (!compiled.outcome.has_files) {
    const std::string why =
        compiled.outcome.fatal != 0
            ? "no files: fatal error " + std::to_string(compiled.outcome.fatal)
            : "no files: error " + std::to_string(compiled.outcome.error_number);
    result.difference = Difference{CompiledFileKind::kItems, 0, "the compile", "files", why};
    return result;
  }
  for (const compiler::CompiledFile& file : compiled.files) {
    const std::string got = storage::bytes_of(file);
    std::string_view expected;
    switch (file.kind()) {
      case CompiledFileKind::kLinePlan:
        expected = input.line_file.value_or("");
        break;
      case CompiledFileKind::kItems:
        expected = input.train_file;
        break;
      case CompiledFileKind::kCells:
        expected = input.cell_file;
        break;
    }
    if (auto d = compare(file.kind(), expected, got)) {
      result.difference = std::move(d);
      return result;
    }
  }
  return result;
}

std::string describe(const RoundTrip& result) {
  if (result.exact()) return "exact";
  const Difference& d = *result.difference;
  return std::string(file_title(d.file)) + ", byte " + std::to_string(d.offset) + ", " + d.where +
         ": expected " + d.expected + ", got " + d.got;
}

}  // namespace borgo::tools::decompile
