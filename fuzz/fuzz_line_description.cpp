// Any bytes as the line description, followed by a small valid train
// description: the readers end with an error number the catalog knows or
// none, never a crash, and go on to the train only with a cell grid.
//
// The metre-by-metre line plan is asked for only when the document begins
// with "1" (the reader skips anything before "[generale]"): on a long line
// it costs some tens of milliseconds, which would hold every input of a
// scenario-sized seed to a few dozen runs a second. The seeds for the plan
// are short lines that begin with "1".
#include <cstdlib>

#include "compiler/description_reading.hpp"
#include "compiler/error_catalog.hpp"
#include "fuzz/fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo;
  compiler::RouteModel model;
  model.line_name = "L";
  model.train_name = "T";
  model.write_line_file = size > 0 && data[0] == '1';
  const auto [line, train] = fuzz::split_documents(data, size);
  compiler::CompileReport report;
  compiler::DescriptionReading reading(model, report);
  if (reading.read_line(line)) {
    // The body ended normally or at a row beyond the grid, and the grid exists.
    if (model.error_number != 0 && model.error_number != compiler::error::kBeyondGrid) {
      std::abort();
    }
    if (!model.has_grid()) std::abort();
    reading.read_train(train);
  }
  fuzz::require_known_error(model.error_number);
  if (reading.failed() != (model.error_number == compiler::error::kRuntimeFailure)) std::abort();
  return 0;
}
