#include "compiler/compiled_files.hpp"

#include <algorithm>
#include <bit>
#include <limits>
#include <stdexcept>

#include "compiler/byte_buffer.hpp"
#include "compiler/runtime_failure.hpp"
#include "storage/replace_file.hpp"

namespace borgo::compiler {

std::string line_file_name(const RouteModel& model) { return model.line_name + "_linea.dat"; }
std::string train_file_name(const RouteModel& model) {
  return model.line_name + "_" + model.train_name + ".sim";
}
std::string cell_file_name(const RouteModel& model) {
  return model.line_name + "_" + model.train_name + ".dat";
}

namespace {

constexpr std::size_t kCellBytes = 15;
constexpr std::size_t kItemBytesWithoutText = 34;

// An entry of the line file: its 16-bit tag, then its value, if it has one.
constexpr std::size_t kTagBytes = 2;
constexpr std::size_t value_bytes(std::uint8_t tag) {
  return tag == PlanValue::kDouble ? 8 : tag == PlanValue::kInt16 ? 2 : 0;
}

}  // namespace

FileBytes encode_line_plan(const RouteModel& model) {
  std::size_t size = 0;
  for (const PlanColumn& column : model.line_plan) {
    const std::uint8_t* tags = column.tags();
    const std::uint8_t* tags_end = tags + column.size();
    const auto count = [&](std::uint8_t tag) {
      return static_cast<std::size_t>(std::count(tags, tags_end, tag));
    };
    size += kTagBytes * column.size() +
            value_bytes(PlanValue::kDouble) * count(PlanValue::kDouble) +
            value_bytes(PlanValue::kInt16) * count(PlanValue::kInt16);
  }
  // An entry a metre and coordinate: written straight into the file's bytes,
  // each checked against the room left.
  FileBytes bytes(size);
  char* at = bytes.data();
  char* const end = at + size;
  for (const PlanColumn& column : model.line_plan) {
    const std::uint8_t* tags = column.tags();
    const double* values = column.values();
    const std::size_t metres = column.size();
    for (std::size_t m = 0; m < metres; ++m) {
      const std::uint8_t tag = tags[m];
      if (static_cast<std::size_t>(end - at) < kTagBytes + value_bytes(tag)) {
        throw std::logic_error("the line file's entries overrun its computed size");
      }
      at = store_le(at, std::uint16_t{tag});
      if (tag == PlanValue::kDouble) {
        at = store_le(at, std::bit_cast<std::uint64_t>(values[m]));
      } else if (tag == PlanValue::kInt16) {
        at = store_le(at, static_cast<std::uint16_t>(static_cast<std::int16_t>(values[m])));
      }
    }
  }
  if (at != end) throw std::logic_error("the line file's entries fall short of its computed size");
  return bytes;
}

FileBytes encode_items(const RouteModel& model) {
  std::size_t size = 0;
  for (const ItemRecord& item : model.items) {
    if (item.text.size() > std::numeric_limits<std::uint16_t>::max()) {
      throw RuntimeFailure("a text of " + std::to_string(item.text.size()) +
                           " bytes does not fit the train file's 16-bit length");
    }
    size += kItemBytesWithoutText + item.text.size();
  }
  ByteBuffer out(size);
  for (const ItemRecord& item : model.items) {
    out.put_u8(item.kind);
    out.put_i32(item.start);
    out.put_i32(item.end);
    out.put_i32(item.position);
    out.put_u8(item.flag);
    out.put_string(item.text);
    out.put_i16(item.int1);
    out.put_i16(item.int2);
    out.put_i16(item.int3);
    out.put_i16(item.int4);
    out.put_i16(item.int5);
    out.put_u8(item.byte1);
    out.put_u8(item.byte2);
    out.put_u8(item.byte3);
    out.put_u8(item.byte4);
    out.put_i32(item.seconds);
  }
  return out.take();
}

FileBytes encode_cells(const RouteModel& model) {
  ByteBuffer out(model.cells.size() * kCellBytes);
  for (const CellRecord& cell : model.cells) {
    out.put_u8(cell.kind);
    out.put_i16(cell.value1);
    out.put_i16(cell.value2);
    out.put_i16(cell.value3);
    out.put_i16(cell.value4);
    out.put_u8(cell.signal_time);
    out.put_u8(cell.approach_mark);
    out.put_u8(cell.mountain_type);
    out.put_u8(cell.speed_code);
    out.put_u8(cell.gradient_code);
    out.put_u8(cell.adhesion);
  }
  return out.take();
}

void write_compiled_files(const RouteModel& model, const std::filesystem::path& folder) {
  // Everything is encoded before the first file is touched.
  const FileBytes plan = model.write_line_file != 0 ? encode_line_plan(model) : FileBytes();
  const FileBytes items = encode_items(model);
  const FileBytes cells = encode_cells(model);
  if (model.write_line_file != 0) replace_file(folder / line_file_name(model), plan);
  replace_file(folder / train_file_name(model), items);
  replace_file(folder / cell_file_name(model), cells);
}

}  // namespace borgo::compiler
