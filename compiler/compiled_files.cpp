#include "compiler/compiled_files.hpp"

#include <limits>
#include <stdexcept>
#include <type_traits>

#include "compiler/chunk_writer.hpp"
#include "compiler/compiled_layout.hpp"
#include "compiler/line_plan_writer.hpp"
#include "compiler/runtime_failure.hpp"

namespace borgo::compiler {

namespace {

// A record's fixed fields, in file order.
template <typename Record, typename Fields>
void put_fields(ChunkWriter& out, const Record& record, const Fields& fields) {
  char* at = out.claim(layout::bytes_of(fields));
  layout::for_each_field(fields, [&](const auto& field) {
    const auto value = record.*(std::remove_cvref_t<decltype(field)>::kMember);
    at = store_le(at, static_cast<std::make_unsigned_t<decltype(value)>>(value));
  });
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

void write_items(const RouteModel& model, ChunkWriter& out) {
  for (const ItemRecord& item : model.items) {
    put_fields(out, item, layout::kItemFieldsBeforeText);
    store_le(out.claim(sizeof(layout::TextLength)),
             static_cast<layout::TextLength>(item.text.size()));
    out.put(item.text);
    put_fields(out, item, layout::kItemFieldsAfterText);
  }
}

void write_cells(const RouteModel& model, ChunkWriter& out) {
  for (const CellRecord& cell : model.cells) put_fields(out, cell, layout::kCellFields);
}

}  // namespace

CompiledFile::CompiledFile(CompiledFileKind kind, const RouteModel& model)
    : kind_(kind), model_(&model) {
  switch (kind) {
    case CompiledFileKind::kLinePlan:
      name_ = line_file_name(model);
      size_ = line_plan_bytes(model.line_plan);
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
  ChunkWriter out(sink);
  switch (kind_) {
    case CompiledFileKind::kLinePlan:
      write_line_plan(model_->line_plan, out);
      break;
    case CompiledFileKind::kItems:
      write_items(*model_, out);
      break;
    case CompiledFileKind::kCells:
      write_cells(*model_, out);
      break;
  }
  if (out.finish() != size_) {
    throw std::logic_error(name_ + ": the bytes written differ from the size announced");
  }
}

std::vector<CompiledFile> compiled_files(const RouteModel& model) {
  std::vector<CompiledFile> files;
  if (model.write_line_file != 0) files.emplace_back(CompiledFileKind::kLinePlan, model);
  files.emplace_back(CompiledFileKind::kItems, model);
  files.emplace_back(CompiledFileKind::kCells, model);
  return files;
}

}  // namespace borgo::compiler
