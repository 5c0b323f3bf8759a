// Any bytes as the line description, followed by a small valid train
// description: the readers end with an error number or none, never a crash,
// and leave no description behind.
//
// The metre-by-metre line plan is asked for only when the document begins
// with "1" (the reader skips anything before "[generale]"): on a long line
// it costs some tens of milliseconds, which would hold every input of a
// scenario-sized seed to a few dozen runs a second. The seeds for the plan
// are short lines that begin with "1".
#include <cstdlib>

#include "compiler/description_reader.hpp"
#include "fuzz/fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo;
  compiler::RouteModel model;
  model.line_name = "L";
  model.train_name = "T";
  model.write_line_file = size > 0 && data[0] == '1';
  const auto [line, train] = fuzz::split_documents(data, size);
  const auto& folder = fuzz::scratch_folder();
  fuzz::write_bytes(compiler::line_description_path(model, folder), line);
  fuzz::write_bytes(compiler::train_description_path(model, folder), train);
  compiler::CompileReport report;
  compiler::memorizza_dati(model, folder, report);
  if (model.error_number != 101 &&
      std::filesystem::exists(compiler::line_description_path(model, folder))) {
    std::abort();  // a read line description must always be deleted
  }
  std::filesystem::remove(compiler::train_description_path(model, folder));
  return 0;
}
