// A whole compile from a pair of documents (split at the first NUL byte):
// reading, placement, the code pass, the stamps and the compiled files, in
// memory.
#include <cstdlib>

#include "compiler/compile.hpp"
#include "compiler/runtime_failure.hpp"
#include "fuzz/fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo;
  const auto [line, train] = fuzz::split_documents(data, size);
  // The line file of a long line is megabytes: ask for it on a few inputs only.
  const std::int32_t j = size > 0 && data[size - 1] == '1' ? 1 : 0;
  compiler::Compilation result;
  try {
    result = compiler::compile({.line_name = "L",
                                .train_name = "T",
                                .write_line_file = j,
                                .line_description = line,
                                .train_description = train});
  } catch (const compiler::RuntimeFailure&) {
    // Only a text too long for its record (65535 bytes) may stop the files.
    if (size <= 65535) std::abort();
    return 0;
  }
  const compiler::CompileOutcome& outcome = result.outcome;
  fuzz::require_known_error(outcome.error_number);
  if (outcome.fatal != 0 && outcome.fatal != 1250 && outcome.fatal != 1251) std::abort();
  if (outcome.has_files == result.files.empty()) std::abort();
  if (outcome.fatal != 0 && outcome.has_files) std::abort();
  for (const compiler::CompiledFile& file : result.files) {
    fuzz::CountingSink sink;
    file.write_to(sink);
    if (sink.bytes() != file.size()) std::abort();  // the size announced before writing
  }
  return 0;
}
