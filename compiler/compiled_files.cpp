#include "compiler/compiled_files.hpp"

#include <array>
#include <bit>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "compiler/byte_buffer.hpp"
#include "compiler/compiled_layout.hpp"
#include "compiler/runtime_failure.hpp"

namespace borgo::compiler {

namespace {

// A record's fixed fields, in file order: the room for all of them is
// checked once.
template <typename Record, typename Fields>
void put_fields(ByteBuffer& out, const Record& record, const Fields& fields) {
  char* at = out.claim(layout::bytes_of(fields));
  layout::for_each_field(fields, [&](const auto& field) {
    const auto value = record.*(std::remove_cvref_t<decltype(field)>::kMember);
    at = store_le(at, static_cast<std::make_unsigned_t<decltype(value)>>(value));
  });
}

std::uint64_t line_plan_size(const RouteModel& model) {
  // The bytes of an entry by its tag, looked up rather than compared.
  static constexpr auto kEntryBytes = [] {
    std::array<std::uint8_t, 256> bytes{};
    for (int tag = 0; tag < 256; ++tag) bytes[tag] = layout::plan_entry_bytes(tag);
    return bytes;
  }();
  std::uint64_t size = 0;
  for (const PlanColumn& column : model.line_plan) {
    const std::uint8_t* tags = column.tags();
    for (std::size_t m = 0; m < column.size(); ++m) size += kEntryBytes[tags[m]];
  }
  return size;
}

std::uint64_t items_size(const RouteModel& model) {
  std::uint64_t size = 0;
  for (const ItemRecord& item : model.items) {
    if (item.text.size() > std::numeric_limits<layout::TextLength>::max()) {
      throw RuntimeFailure("a text of " + std::to_string(item.text.size()) +
                           " bytes does not fit the train file's 16-bit length");
    }
    size += layout::kItemBytesWithoutText + item.text.size();
  }
  return size;
}

std::uint64_t cells_size(const RouteModel& model) {
  return model.cells.size() * layout::kCellBytes;
}

// An entry a metre and coordinate, written straight into the file's bytes,
// each checked against the room left.
FileBytes encode_line_plan(const RouteModel& model, std::size_t size) {
  FileBytes bytes(size);
  char* at = bytes.data();
  char* const end = at + size;
  for (const PlanColumn& column : model.line_plan) {
    const std::uint8_t* tags = column.tags();
    const double* values = column.values();
    const std::size_t metres = column.size();
    for (std::size_t m = 0; m < metres; ++m) {
      const std::uint8_t tag = tags[m];
      if (static_cast<std::size_t>(end - at) < layout::plan_entry_bytes(tag)) {
        throw std::logic_error("the line file's entries overrun its computed size");
      }
      at = store_le(at, layout::PlanTypeCode{tag});
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

FileBytes encode_items(const RouteModel& model, std::size_t size) {
  ByteBuffer out(size);
  for (const ItemRecord& item : model.items) {
    put_fields(out, item, layout::kItemFieldsBeforeText);
    out.put_string(item.text);
    put_fields(out, item, layout::kItemFieldsAfterText);
  }
  return out.take();
}

FileBytes encode_cells(const RouteModel& model, std::size_t size) {
  ByteBuffer out(size);
  for (const CellRecord& cell : model.cells) put_fields(out, cell, layout::kCellFields);
  return out.take();
}

}  // namespace

CompiledFile::CompiledFile(CompiledFileKind kind, const RouteModel& model)
    : kind_(kind), model_(&model) {
  switch (kind) {
    case CompiledFileKind::kLinePlan:
      name_ = line_file_name(model);
      size_ = line_plan_size(model);
      break;
    case CompiledFileKind::kItems:
      name_ = train_file_name(model);
      size_ = items_size(model);
      break;
    case CompiledFileKind::kCells:
      name_ = cell_file_name(model);
      size_ = cells_size(model);
      break;
  }
}

void CompiledFile::write_to(storage::ByteSink& sink) const {
  const auto size = static_cast<std::size_t>(size_);
  FileBytes bytes;
  switch (kind_) {
    case CompiledFileKind::kLinePlan:
      bytes = encode_line_plan(*model_, size);
      break;
    case CompiledFileKind::kItems:
      bytes = encode_items(*model_, size);
      break;
    case CompiledFileKind::kCells:
      bytes = encode_cells(*model_, size);
      break;
  }
  sink.write(bytes);
}

std::vector<CompiledFile> compiled_files(const RouteModel& model) {
  std::vector<CompiledFile> files;
  if (model.write_line_file != 0) files.emplace_back(CompiledFileKind::kLinePlan, model);
  files.emplace_back(CompiledFileKind::kItems, model);
  files.emplace_back(CompiledFileKind::kCells, model);
  return files;
}

}  // namespace borgo::compiler
