// The column layout on arbitrary descriptions (a pair split at the first NUL
// byte): laying out twice changes nothing, and the compile of the laid-out
// pair is the compile of the pair as written, error and files alike.
#include <cstdlib>
#include <string>
#include <vector>

#include "compiler/compile.hpp"
#include "compiler/runtime_failure.hpp"
#include "fuzz/fuzz_support.hpp"
#include "tools/layout/column_layout.hpp"

namespace {

// What a compile gives: its outcome and each file's bytes, or its failure.
std::vector<std::string> compiled(std::string_view line, std::string_view train, std::int32_t j) {
  using namespace borgo;
  try {
    const compiler::Compilation result = compiler::compile({.line_name = "L",
                                                            .train_name = "T",
                                                            .write_line_file = j,
                                                            .line_description = line,
                                                            .train_description = train});
    std::vector<std::string> out = {std::to_string(result.outcome.error_number) + " " +
                                    std::to_string(result.outcome.fatal)};
    for (const compiler::CompiledFile& file : result.files) out.push_back(storage::bytes_of(file));
    return out;
  } catch (const compiler::RuntimeFailure& failure) {
    return {std::string("failed: ") + failure.what()};
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo;
  const auto [line, train] = fuzz::split_documents(data, size);
  const std::string line_laid = tools::layout::laid_out(line);
  const std::string train_laid = tools::layout::laid_out(train);
  if (tools::layout::laid_out(line_laid) != line_laid) std::abort();
  if (tools::layout::laid_out(train_laid) != train_laid) std::abort();
  // The line file of a long line is megabytes: ask for it on a few inputs only.
  const std::int32_t j = size > 0 && data[size - 1] == '1' ? 1 : 0;
  if (compiled(line_laid, train_laid, j) != compiled(line, train, j)) std::abort();
  return 0;
}
