// A fixed short line description, then any bytes as the train description.
#include <cstdlib>

#include "compiler/description_reader.hpp"
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
  const auto& folder = fuzz::scratch_folder();
  fuzz::write_bytes(compiler::line_description_path(model, folder), kLine);
  fuzz::write_bytes(compiler::train_description_path(model, folder),
                    std::string_view(reinterpret_cast<const char*>(data), size));
  compiler::CompileReport report;
  compiler::memorizza_dati(model, folder, report);
  if (std::filesystem::exists(compiler::train_description_path(model, folder))) {
    std::abort();  // a read train description must always be deleted
  }
  return 0;
}
