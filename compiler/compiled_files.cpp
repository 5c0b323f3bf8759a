#include "compiler/compiled_files.hpp"

#include <limits>

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

std::string encode_line_plan(const RouteModel& model) {
  ByteBuffer out;
  out.reserve(model.line_plan[0].size() * 2 * 10);
  for (const auto& column : model.line_plan) {
    for (const PlanValue& entry : column) {
      out.put_u16(entry.tag);
      if (entry.tag == PlanValue::kDouble) out.put_f64(entry.real);
      if (entry.tag == PlanValue::kInt16) out.put_i16(entry.integer);
    }
  }
  return out.take();
}

std::string encode_items(const RouteModel& model) {
  ByteBuffer out;
  for (const ItemRecord& item : model.items) {
    if (item.text.size() > std::numeric_limits<std::uint16_t>::max()) {
      throw RuntimeFailure("a text of " + std::to_string(item.text.size()) +
                           " bytes does not fit the train file's 16-bit length");
    }
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

std::string encode_cells(const RouteModel& model) {
  ByteBuffer out;
  out.reserve(model.cells.size() * 15);
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
  const std::string plan = model.write_line_file != 0 ? encode_line_plan(model) : std::string();
  const std::string items = encode_items(model);
  const std::string cells = encode_cells(model);
  if (model.write_line_file != 0) replace_file(folder / line_file_name(model), plan);
  replace_file(folder / train_file_name(model), items);
  replace_file(folder / cell_file_name(model), cells);
}

}  // namespace borgo::compiler
