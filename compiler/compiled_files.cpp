#include "compiler/compiled_files.hpp"

#include <bit>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "compiler/chunk_writer.hpp"
#include "compiler/compiled_layout.hpp"
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

// The metres of one coordinate: the origin's two when it is placed, the
// metres of the runs, and the metres never set.
struct PlanCounts {
  std::uint64_t origin = 0;
  std::uint64_t walked = 0;
  std::uint64_t unset = 0;
};

PlanCounts count_plan(const LinePlan& plan) {
  PlanCounts counts;
  std::int64_t set = 0;
  if (plan.reached() >= 2) {
    counts.origin = 2;
    set = plan.reached();
    counts.walked = static_cast<std::uint64_t>(set - 2);
  }
  counts.unset = static_cast<std::uint64_t>(plan.metres() - set);
  return counts;
}

std::uint64_t line_plan_size(const RouteModel& model) {
  const PlanCounts counts = count_plan(model.line_plan);
  const std::uint64_t coordinate = counts.origin * layout::plan_entry_bytes(PlanValue::kInt16) +
                                   counts.walked * layout::plan_entry_bytes(PlanValue::kDouble) +
                                   counts.unset * layout::plan_entry_bytes(PlanValue::kUnset);
  return 2 * coordinate;
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

void put_int16_entry(ChunkWriter& out, std::int16_t value) {
  char* at = out.claim(layout::plan_entry_bytes(PlanValue::kInt16));
  at = store_le(at, layout::PlanTypeCode{PlanValue::kInt16});
  store_le(at, static_cast<std::uint16_t>(value));
}

// Every first coordinate, then every second one: the metres of the runs are
// walked once for each, so that no coordinate is kept.
void write_line_plan(const LinePlan& plan, ChunkWriter& out) {
  const PlanCounts counts = count_plan(plan);
  for (int coordinate = 0; coordinate < 2; ++coordinate) {
    if (counts.origin != 0) {
      put_int16_entry(out, 0);
      put_int16_entry(out, coordinate == 0 ? 0 : 1);
      PlanWalk walk;
      for (const LinePlan::Run& run : plan.runs()) {
        for (std::int32_t m = run.first; m <= run.last; ++m) {
          walk.step(run.k);
          char* at = out.claim(layout::plan_entry_bytes(PlanValue::kDouble));
          at = store_le(at, layout::PlanTypeCode{PlanValue::kDouble});
          store_le(at, std::bit_cast<std::uint64_t>(walk.coordinate(coordinate)));
        }
      }
    }
    for (std::uint64_t m = 0; m < counts.unset; ++m) {
      store_le(out.claim(layout::plan_entry_bytes(PlanValue::kUnset)),
               layout::PlanTypeCode{PlanValue::kUnset});
    }
  }
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
