#include "tools/compiled_decoder.hpp"

#include <bit>
#include <cstdint>

namespace borgo::tools {
namespace {

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

bool decode_item(FieldCursor& in, compiler::ItemRecord& item, const char*& field) {
  std::uint16_t length = 0;
  return (field = "kind", take(in, item.kind)) && (field = "start", take(in, item.start)) &&
         (field = "end", take(in, item.end)) && (field = "position", take(in, item.position)) &&
         (field = "flag", take(in, item.flag)) && (field = "text length", take(in, length)) &&
         (field = "text", in.take_text(length, item.text)) &&
         (field = "int1", take(in, item.int1)) && (field = "int2", take(in, item.int2)) &&
         (field = "int3", take(in, item.int3)) && (field = "int4", take(in, item.int4)) &&
         (field = "int5", take(in, item.int5)) && (field = "byte1", take(in, item.byte1)) &&
         (field = "byte2", take(in, item.byte2)) && (field = "byte3", take(in, item.byte3)) &&
         (field = "byte4", take(in, item.byte4)) && (field = "seconds", take(in, item.seconds));
}

}  // namespace

DecodedCells decode_cell_file(std::string_view bytes) {
  DecodedCells out;
  FieldCursor in(bytes);
  const std::size_t whole = bytes.size() / kCellBytes;
  out.cells.reserve(whole);
  for (std::size_t i = 0; i < whole; ++i) {
    compiler::CellRecord c;
    take(in, c.kind);
    take(in, c.value1);
    take(in, c.value2);
    take(in, c.value3);
    take(in, c.value4);
    take(in, c.signal_time);
    take(in, c.approach_mark);
    take(in, c.mountain_type);
    take(in, c.speed_code);
    take(in, c.gradient_code);
    take(in, c.adhesion);
    out.cells.push_back(c);
  }
  if (bytes.empty()) {
    out.problem = LayoutProblem{0, "the file is empty; a cell file holds at least one cell"};
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
    const char* field = "";
    if (!decode_item(in, item, field)) {
      out.problem =
          LayoutProblem{in.offset(), "record " + std::to_string(out.items.size()) + " (from byte " +
                                         std::to_string(start) + ") is cut short in its " + field +
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
  std::vector<compiler::PlanValue>& entries = out.entries;
  FieldCursor in(bytes);
  while (!in.at_end()) {
    const std::size_t start = in.offset();
    std::uint16_t tag = 0;
    compiler::PlanValue entry;
    bool whole = take(in, tag);
    if (whole && tag == compiler::PlanValue::kInt16) {
      entry.tag = compiler::PlanValue::kInt16;
      whole = take(in, entry.integer);
    } else if (whole && tag == compiler::PlanValue::kDouble) {
      std::uint64_t raw = 0;
      entry.tag = compiler::PlanValue::kDouble;
      whole = in.take(8, raw);
      entry.real = std::bit_cast<double>(raw);
    } else if (whole && tag != compiler::PlanValue::kUnset) {
      out.problem =
          LayoutProblem{start, "entry " + std::to_string(entries.size()) + " has the type code " +
                                   std::to_string(tag) + "; a line file knows 0, 2 and 5"};
      break;
    }
    if (!whole) {
      out.problem = LayoutProblem{start, "entry " + std::to_string(entries.size()) +
                                             " is cut short: the file ends at byte " +
                                             std::to_string(bytes.size())};
      break;
    }
    entries.push_back(entry);
  }
  if (!out.problem && entries.size() % 2 != 0) {
    out.problem = LayoutProblem{bytes.size(), "the file holds " + std::to_string(entries.size()) +
                                                  " entries, an odd number: its two coordinate "
                                                  "columns cannot be of one length"};
  }
  if (!out.problem && entries.empty()) {
    out.problem = LayoutProblem{0, "the file is empty"};
  }
  if (!out.problem) {
    const std::size_t half = entries.size() / 2;
    for (std::size_t c = 0; c < 2; ++c) {
      out.columns[c].reserve(half);
      for (std::size_t m = 0; m < half; ++m) out.columns[c].push_back(entries[c * half + m]);
    }
  }
  return out;
}

}  // namespace borgo::tools
