#pragma once

// The compiled files of a pair of descriptions, compiled in memory, as the
// decompiler takes them.

#include <optional>
#include <stdexcept>
#include <string>

#include "compiler/compile.hpp"
#include "storage/byte_sink.hpp"
#include "tools/decompile/decompile.hpp"

namespace borgo::testing {

struct CompiledScenarioFiles {
  std::string line_name;
  std::string train_name;
  std::optional<std::string> line_file;
  std::string train_file;
  std::string cell_file;
  std::int32_t error_number = 0;

  tools::decompile::CompiledInput input() const {
    return {line_name, train_name,
            line_file ? std::optional<std::string_view>(*line_file) : std::nullopt, train_file,
            cell_file};
  }
};

// Throws when the descriptions compile to no files.
inline CompiledScenarioFiles compile_to_files(const std::string& line, const std::string& train,
                                              bool with_line_file = true,
                                              const std::string& line_name = "L",
                                              const std::string& train_name = "T") {
  const compiler::Compilation compiled = compiler::compile({.line_name = line_name,
                                                            .train_name = train_name,
                                                            .write_line_file = with_line_file,
                                                            .line_description = line,
                                                            .train_description = train});
  if (!compiled.outcome.has_files) throw std::runtime_error("the descriptions compile to no files");
  CompiledScenarioFiles files{line_name, train_name, {}, {}, {}, compiled.outcome.error_number};
  for (const compiler::CompiledFile& file : compiled.files) {
    std::string bytes = storage::bytes_of(file);
    switch (file.kind()) {
      case compiler::CompiledFileKind::kLinePlan:
        files.line_file = std::move(bytes);
        break;
      case compiler::CompiledFileKind::kItems:
        files.train_file = std::move(bytes);
        break;
      case compiler::CompiledFileKind::kCells:
        files.cell_file = std::move(bytes);
        break;
    }
  }
  return files;
}

}  // namespace borgo::testing
