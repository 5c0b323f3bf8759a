#include "compiler/compile.hpp"

#include "compiler/code_pass.hpp"
#include "compiler/compiled_files.hpp"
#include "compiler/contest_codes.hpp"
#include "compiler/description_reader.hpp"

namespace borgo::compiler {

CompileOutcome memorizza_percorso(RouteModel& model, const std::filesystem::path& documents_folder,
                                  const std::filesystem::path& output_folder, std::int32_t j) {
  CompileOutcome outcome;
  model.write_line_file = j;
  model.error_number = 0;
  for (ItemRecord& item : model.items) item = ItemRecord{};

  memorizza_dati(model, documents_folder, outcome.report);
  outcome.error_number = model.error_number;
  // Reading stopped before the line length: there is no grid to stamp or write.
  if (!model.has_grid()) return outcome;

  signal_code_pass(model, &outcome.report);
  outcome.fatal = stamp_contest_codes(model);
  if (outcome.fatal != 0) return outcome;

  write_compiled_files(model, output_folder);
  outcome.files_written = true;
  return outcome;
}

}  // namespace borgo::compiler
