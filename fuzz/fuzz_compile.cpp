// A whole compile from a pair of documents (split at the first NUL byte):
// reading, placement, the code pass, the stamps and the compiled files.
#include <cstdlib>

#include "compiler/compile.hpp"
#include "compiler/description_reader.hpp"
#include "fuzz/fuzz_support.hpp"
#include "storage/file_error.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo;
  compiler::RouteModel model;
  model.line_name = "L";
  model.train_name = "T";
  const auto [line, train] = fuzz::split_documents(data, size);
  const auto& folder = fuzz::scratch_folder();
  fuzz::write_bytes(compiler::line_description_path(model, folder), line);
  fuzz::write_bytes(compiler::train_description_path(model, folder), train);
  // The line file of a long line is megabytes: ask for it on a few inputs only.
  const std::int32_t j = size > 0 && data[size - 1] == '1' ? 1 : 0;
  const compiler::CompileOutcome outcome = compiler::memorizza_percorso(model, folder, j);
  if (outcome.fatal != 0 && outcome.files_written) std::abort();
  std::filesystem::remove(compiler::train_description_path(model, folder));
  return 0;
}
