#pragma once

#include <cstdint>
#include <filesystem>

#include "compiler/compile_report.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler {

// What a compile ended with. The compiler shows none of it.
struct CompileOutcome {
  std::int32_t error_number = 0;  // as recorded in the model; 0 = clean
  std::int32_t fatal = 0;         // 1250 or 1251: nothing written, the run must end with errore
  bool files_written = false;     // false too when reading stopped before the cell grid existed
  CompileReport report;
};

// Compiles the two descriptions in `documents_folder` (deleting them) into
// `model` and writes the compiled files into `output_folder`; j not 0 wants
// the line file too. model.line_name and model.train_name must be set.
// Throws FileError when a compiled file cannot be written.
CompileOutcome memorizza_percorso(RouteModel& model, const std::filesystem::path& documents_folder,
                                  const std::filesystem::path& output_folder, std::int32_t j);

// The program's compile: documents and compiled files in the same folder.
inline CompileOutcome memorizza_percorso(RouteModel& model, const std::filesystem::path& folder,
                                         std::int32_t j) {
  return memorizza_percorso(model, folder, folder, j);
}

}  // namespace borgo::compiler
