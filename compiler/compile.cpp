#include "compiler/compile.hpp"

#include "compiler/code_pass.hpp"
#include "compiler/contest_codes.hpp"
#include "compiler/description_reading.hpp"

namespace borgo::compiler {

void begin_compile(RouteModel& model, std::int32_t j) {
  model.write_line_file = j;
  model.error_number = 0;
  for (ItemRecord& item : model.items) item = ItemRecord{};
}

CompileOutcome finish_compile(RouteModel& model, CompileReport report) {
  CompileOutcome outcome;
  outcome.error_number = model.error_number;
  outcome.report = std::move(report);
  // Reading stopped before the line length: there is no grid to stamp or write.
  if (!model.has_grid()) return outcome;
  signal_code_pass(model, &outcome.report);
  outcome.fatal = stamp_contest_codes(model);
  outcome.has_files = outcome.fatal == 0;
  return outcome;
}

Compilation compile(const CompileInput& input) {
  Compilation result;
  result.model = std::make_unique<RouteModel>();
  RouteModel& model = *result.model;
  model.line_name = input.line_name;
  model.train_name = input.train_name;
  begin_compile(model, input.write_line_file);
  CompileReport report;
  DescriptionReading reading(model, report);
  if (reading.read_line(input.line_description)) reading.read_train(input.train_description);
  result.outcome = finish_compile(model, std::move(report));
  if (result.outcome.has_files) result.files = compiled_files(model);
  return result;
}

}  // namespace borgo::compiler
