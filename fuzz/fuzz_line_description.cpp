// Any bytes as the line description, followed by a small valid train
// description: the readers end with an error number or none, never a crash,
// and leave no description behind.
#include <cstdlib>

#include "compiler/description_reader.hpp"
#include "fuzz/fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo;
  compiler::RouteModel model;
  model.line_name = "L";
  model.train_name = "T";
  model.write_line_file = size > 0 && (data[0] & 1);
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
