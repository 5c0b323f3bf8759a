#include "compiler/description_reader.hpp"

#include <exception>
#include <system_error>

#include "compiler/error_catalog.hpp"
#include "compiler/line_reader.hpp"
#include "compiler/train_reader.hpp"

namespace borgo::compiler {

std::filesystem::path line_description_path(const RouteModel& model,
                                            const std::filesystem::path& folder) {
  return folder / (model.line_name + "_linea.txt");
}

std::filesystem::path train_description_path(const RouteModel& model,
                                             const std::filesystem::path& folder) {
  return folder / (model.line_name + "_" + model.train_name + "-.txt");
}

void memorizza_dati(RouteModel& model, const std::filesystem::path& folder, CompileReport& report) {
  const std::filesystem::path line_path = line_description_path(model, folder);
  const std::filesystem::path train_path = train_description_path(model, folder);
  try {
    model.items[kLineRecord].text = model.line_name;
    model.items[kTrainRecord].text = model.train_name;
    std::error_code failed;
    if (!std::filesystem::exists(line_path, failed)) {
      model.error_number = error::kLineDescriptionMissing;
      report.error_detail = line_path.filename().string() + " does not exist";
      return;
    }
    const detail::LineReadResult line = detail::read_line_description(model, line_path, report);
    if (!line.go_on) return;
    detail::read_train_description(model, train_path, line.sign_slot, report);
  } catch (const std::exception& failure) {
    // The catch-all: no description survives a failed read.
    std::error_code ignored;
    std::filesystem::remove(line_path, ignored);
    std::filesystem::remove(train_path, ignored);
    model.error_number = error::kRuntimeFailure;
    report.error_detail = failure.what();
  }
}

}  // namespace borgo::compiler
