#pragma once

// The program's compile: the documents in its folder are read and deleted,
// and the compiled files written there, around the compile of compile.hpp.

#include <cstdint>
#include <filesystem>

#include "compiler/compile.hpp"
#include "compiler/compile_report.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler {

// Reads the line description and then the train description from `folder`
// into the model. The line description is deleted before the train
// description is read, and the train description once read; one whose
// reading stopped at an error keeps the train description, which it never
// read. A missing line description is error 101 and deletes nothing; any
// run-time failure (a missing train description included) is error 25 and
// leaves neither description in the folder.
void memorizza_dati(RouteModel& model, const std::filesystem::path& folder, CompileReport& report);

// The whole compile of the descriptions in `folder`: reading (and deleting)
// them, the code pass and the stamps, then the compiled files written into
// the same folder, each replacing any older one (the line file only when j is
// not 0). model.line_name and model.train_name must be set. No file is
// written when reading stopped before the cell grid existed or a contest
// error is fatal. Throws storage::FileError when a compiled file cannot be
// written; the files written before it stay.
CompileOutcome memorizza_percorso(RouteModel& model, const std::filesystem::path& folder,
                                  std::int32_t j);

}  // namespace borgo::compiler
