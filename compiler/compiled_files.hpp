#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/file_names.hpp"
#include "compiler/route_model.hpp"
#include "storage/byte_sink.hpp"

namespace borgo::compiler {

enum class CompiledFileKind : std::uint8_t {
  kLinePlan,  // the line file: the plan's tagged values, column by column
  kItems,     // the train file: the 87 item records
  kCells,     // the cell file: 15 bytes a cell
};

// One compiled file of a finished model: its name, its exact size, and its
// bytes, which it writes into a sink when asked (to a file, or to memory).
// It reads the model as it writes: the model must outlive it and stay as it
// is.
class CompiledFile final : public storage::FileContent {
 public:
  CompiledFile(CompiledFileKind kind, const RouteModel& model);

  CompiledFileKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  std::uint64_t size() const override { return size_; }
  void write_to(storage::ByteSink& sink) const override;

 private:
  CompiledFileKind kind_;
  const RouteModel* model_;
  std::string name_;
  std::uint64_t size_;
};

// The compiled files of a finished model, in the order they are written: the
// line file (only when model.write_line_file is not 0), the train file, the
// cell file. Throws RuntimeFailure, before any byte is written, when a
// record does not fit its file (a text longer than 65535 bytes).
std::vector<CompiledFile> compiled_files(const RouteModel& model);

}  // namespace borgo::compiler
