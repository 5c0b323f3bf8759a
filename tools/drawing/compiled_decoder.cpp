#include "tools/drawing/compiled_decoder.hpp"

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "compiler/compiled_layout.hpp"
#include "compiler/numeric.hpp"
#include "tools/drawing/line_file_layout.hpp"

namespace borgo::tools {
namespace {

using compiler::layout::kCellBytes;

// Little-endian fields, read one after the other; the first that does not fit
// stops the reading and says where.
class FieldCursor {
 public:
  explicit FieldCursor(std::string_view bytes) : bytes_(bytes) {}

  std::size_t offset() const { return pos_; }
  bool at_end() const { return pos_ >= bytes_.size(); }
  std::size_t left() const { return bytes_.size() - pos_; }

  // Reads `width` bytes as an unsigned number; false when the file ends first.
  bool take(std::size_t width, std::uint64_t& value) {
    if (left() < width) return false;
    value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      value |= std::uint64_t{static_cast<unsigned char>(bytes_[pos_ + i])} << (8 * i);
    }
    pos_ += width;
    return true;
  }
  bool take_text(std::size_t length, std::string& text) {
    if (left() < length) return false;
    text.assign(bytes_.substr(pos_, length));
    pos_ += length;
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

template <typename Field>
bool take(FieldCursor& in, Field& field) {
  std::uint64_t raw = 0;
  if (!in.take(sizeof(Field), raw)) return false;
  field = static_cast<Field>(raw);
  return true;
}

std::string bytes_word(std::size_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

// Reads `fields` of `record` in order; on a field cut short, names it in
// `cut_short` and leaves the rest unread.
template <typename Record, typename Fields>
bool take_fields(FieldCursor& in, Record& record, const Fields& fields,
                 std::string_view& cut_short) {
  bool whole = true;
  compiler::layout::for_each_field(fields, [&](const auto& field) {
    if (!whole) return;
    whole = take(in, record.*(std::remove_cvref_t<decltype(field)>::kMember));
    if (!whole) cut_short = field.name;
  });
  return whole;
}

bool decode_item(FieldCursor& in, compiler::ItemRecord& item, std::string_view& field) {
  compiler::layout::TextLength length = 0;
  return take_fields(in, item, compiler::layout::kItemFieldsBeforeText, field) &&
         (field = "text length", take(in, length)) &&
         (field = "text", in.take_text(length, item.text)) &&
         take_fields(in, item, compiler::layout::kItemFieldsAfterText, field);
}

}  // namespace

std::uint64_t largest_file_bytes(compiler::CompiledFileKind kind) {
  switch (kind) {
    case compiler::CompiledFileKind::kLinePlan:
      return compiler::layout::kLargestLineFile;
    case compiler::CompiledFileKind::kItems:
      return compiler::layout::kLargestTrainFile;
    case compiler::CompiledFileKind::kCells:
      break;
  }
  return compiler::layout::largest_cell_file();
}

std::optional<LayoutProblem> size_problem(compiler::CompiledFileKind kind, std::uint64_t size) {
  namespace layout = compiler::layout;
  const std::uint64_t largest = largest_file_bytes(kind);
  if (size <= largest) return std::nullopt;
  const std::string longest_line =
      "a line of at most " + std::to_string(compiler::kLongestLine) + " m has ";
  std::string why;
  switch (kind) {
    case compiler::CompiledFileKind::kLinePlan:
      why = "longer than the largest line file: " + longest_line +
            std::to_string(layout::kMostPlanMetres) +
            " metres of plan, two coordinates a metre of " + "at most " +
            bytes_word(layout::kLargestPlanEntry) + " each (" + bytes_word(largest) + ")";
      break;
    case compiler::CompiledFileKind::kItems:
      why = "longer than the largest train file: " + std::to_string(compiler::kItemCount) +
            " records of " + std::to_string(layout::kItemBytesWithoutText) +
            " bytes, each with a text of at most " + bytes_word(layout::kLongestItemText) + " (" +
            bytes_word(largest) + ")";
      break;
    case compiler::CompiledFileKind::kCells:
      why = "longer than the largest grid: " + longest_line + "at most " +
            std::to_string(layout::most_cells()) + " cells (" + bytes_word(largest) +
            "), and cell " + std::to_string(layout::most_cells()) + " lies beyond them";
      break;
  }
  return LayoutProblem{static_cast<std::size_t>(largest),
                       "the file is " + bytes_word(size) + ", " + why};
}

DecodedCells decode_cell_file(std::string_view bytes) {
  DecodedCells out;
  FieldCursor in(bytes);
  // A file larger than the largest grid is decoded only as far as that grid
  // goes: what is shown of it stays in proportion to what a line can be.
  const std::size_t most = compiler::layout::most_cells();
  const std::size_t whole = std::min(bytes.size() / kCellBytes, most);
  out.cells.reserve(whole);
  for (std::size_t i = 0; i < whole; ++i) {
    compiler::CellRecord c;
    std::string_view unused;
    take_fields(in, c, compiler::layout::kCellFields, unused);
    out.cells.push_back(c);
  }
  if (bytes.empty()) {
    out.problem = LayoutProblem{0, "the file is empty; a cell file holds at least one cell"};
  } else if (std::optional<LayoutProblem> too_large =
                 size_problem(compiler::CompiledFileKind::kCells, bytes.size())) {
    out.problem = std::move(too_large);
  } else if (in.left() != 0) {
    out.problem = LayoutProblem{
        in.offset(), "the file is " + bytes_word(bytes.size()) + ", not a whole number of " +
                         std::to_string(kCellBytes) + "-byte cells: cell " + std::to_string(whole) +
                         " is cut short after " + bytes_word(in.left())};
  }
  return out;
}

DecodedItems decode_train_file(std::string_view bytes) {
  DecodedItems out;
  FieldCursor in(bytes);
  while (!in.at_end() && out.items.size() < compiler::kItemCount) {
    const std::size_t start = in.offset();
    compiler::ItemRecord item;
    std::string_view field;
    if (!decode_item(in, item, field)) {
      out.problem = LayoutProblem{
          in.offset(), "record " + std::to_string(out.items.size()) + " (from byte " +
                           std::to_string(start) + ") is cut short in its " + std::string(field) +
                           ": the file ends at byte " + std::to_string(bytes.size())};
      return out;
    }
    out.offsets.push_back(start);
    out.items.push_back(std::move(item));
  }
  if (!in.at_end()) {
    out.problem = LayoutProblem{in.offset(), bytes_word(in.left()) + " left over after the " +
                                                 std::to_string(compiler::kItemCount) + " records"};
  } else if (out.items.size() < compiler::kItemCount) {
    out.problem = LayoutProblem{
        in.offset(), "the file ends after " + std::to_string(out.items.size()) +
                         " records; a train file holds " + std::to_string(compiler::kItemCount)};
  }
  return out;
}

DecodedPlan decode_line_file(std::string_view bytes) {
  DecodedPlan out;
  const LineFileLayout layout(bytes);
  out.problem = layout.problem();
  out.entries = layout.decoded();
  if (!out.problem) {
    const std::size_t half = out.entries.size() / 2;
    for (std::size_t c = 0; c < 2; ++c) {
      out.columns[c].reserve(half);
      for (std::size_t m = 0; m < half; ++m) out.columns[c].push_back(out.entries[c * half + m]);
    }
  }
  return out;
}

}  // namespace borgo::tools
