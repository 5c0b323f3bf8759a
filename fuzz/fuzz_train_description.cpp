// A fixed short line description, then any bytes as the train description:
// an error number the catalog knows or none, never a crash.
#include <cstdlib>

#include "compiler/description_reading.hpp"
#include "compiler/error_catalog.hpp"
#include "fuzz/fuzz_support.hpp"

namespace {
constexpr std::string_view kLine =
    "[generale]\r\nlunghezza percorso, 20000\r\nprogressiva chilometrica uno, 3100, 3050, 0\r\n"
    "ripetizione segnali 9 codici, 1000, 15000\r\n[curve]\r\npendenza, 0, 2\r\n"
    "montagna, 2000, 4000, 12\r\ncartello_indicatore, 5000, (x)\r\n[fine]\r\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo;
  compiler::RouteModel model;
  model.line_name = "L";
  model.train_name = "T";
  compiler::CompileReport report;
  compiler::DescriptionReading reading(model, report);
  if (!reading.read_line(kLine) || model.error_number != 0) std::abort();
  reading.read_train(std::string_view(reinterpret_cast<const char*>(data), size));
  fuzz::require_known_error(model.error_number);
  if (reading.failed() != (model.error_number == compiler::error::kRuntimeFailure)) std::abort();
  return 0;
}
