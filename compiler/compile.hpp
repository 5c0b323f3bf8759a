#pragma once

// The compile as a function of bytes: the two descriptions in, the route
// model, what happened and the compiled files out. It reads and writes no
// file and keeps no state between calls; the program's folder handling
// (compile_in_folder.hpp), the author's tool, the benchmarks and the fuzz
// targets all compile through it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_report.hpp"
#include "compiler/compiled_files.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler {

// What a compile ended with. The compiler shows none of it.
struct CompileOutcome {
  std::int32_t error_number = 0;  // as recorded in the model; 0 = clean
  std::int32_t fatal = 0;         // 1250 or 1251: no compiled file, the run must end with errore
  bool has_files = false;         // the model was stamped and has its files; false too when reading
                                  // stopped before the cell grid existed
  CompileReport report;
};

struct CompileInput {
  std::string line_name;
  std::string train_name;
  std::int32_t write_line_file = 1;  // j: not 0 builds the line plan and wants the line file
  std::optional<std::string_view> line_description;   // nullopt: the document does not exist
  std::optional<std::string_view> train_description;  // nullopt: the document does not exist
};

struct Compilation {
  std::unique_ptr<RouteModel> model;  // as the compile left it
  CompileOutcome outcome;
  std::vector<CompiledFile> files;  // in writing order; they read *model
};

// Compiles the two descriptions' bytes. Throws RuntimeFailure only when a
// finished model does not fit its files (compiled_files).
Compilation compile(const CompileInput& input);

// The steps around the reading, shared with the program's folder handling.

// A compile begins with no error and all 87 items cleared; j is kept in
// model.write_line_file.
void begin_compile(RouteModel& model, std::int32_t j);

// After the reading: the signal code pass and the contest stamps, unless
// reading stopped before the cell grid existed. `report` is the reading's.
CompileOutcome finish_compile(RouteModel& model, CompileReport report);

}  // namespace borgo::compiler
