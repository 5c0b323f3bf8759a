#include "compiler/description_reader.hpp"

#include <exception>
#include <system_error>

#include "compiler/error_catalog.hpp"
#include "compiler/line_reader.hpp"
#include "compiler/runtime_failure.hpp"
#include "compiler/train_reader.hpp"
#include "storage/read_file.hpp"

namespace borgo::compiler {

std::filesystem::path line_description_path(const RouteModel& model,
                                            const std::filesystem::path& folder) {
  return folder / (model.line_name + "_linea.txt");
}

std::filesystem::path train_description_path(const RouteModel& model,
                                             const std::filesystem::path& folder) {
  return folder / (model.line_name + "_" + model.train_name + "-.txt");
}

namespace {

// A description once read is deleted, whatever the reading found. One that
// cannot be deleted is a run-time failure.
void delete_document(const std::filesystem::path& path) {
  std::error_code failed;
  std::filesystem::remove(path, failed);
  if (failed) throw RuntimeFailure("cannot delete " + path.string() + ": " + failed.message());
}

}  // namespace

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
    const detail::LineReadResult line =
        detail::read_line_description(model, read_file(line_path), report);
    delete_document(line_path);
    if (!line.go_on) return;
    // A missing train description is a run-time failure, like any file that cannot be read.
    detail::read_train_description(model, read_file(train_path), line.sign_slot, report);
    delete_document(train_path);
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
