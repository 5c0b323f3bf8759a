#include "compiler/compile_in_folder.hpp"

#include <exception>
#include <optional>
#include <string>
#include <system_error>

#include "compiler/compiled_files.hpp"
#include "compiler/description_reading.hpp"
#include "compiler/file_names.hpp"
#include "storage/read_file.hpp"
#include "storage/replace_file.hpp"

namespace borgo::compiler {
namespace {

// A document's bytes, or the run-time failure that reading it met.
std::optional<std::string> read_document(const std::filesystem::path& path,
                                         DescriptionReading& reading) {
  try {
    return storage::read_file(path);
  } catch (const std::exception& failure) {
    reading.fail(failure.what());
    return std::nullopt;
  }
}

// A description once read is deleted, whatever the reading found. One that
// cannot be deleted is a run-time failure.
bool delete_document(const std::filesystem::path& path, DescriptionReading& reading) {
  std::error_code failed;
  std::filesystem::remove(path, failed);
  if (failed) reading.fail("cannot delete " + path.string() + ": " + failed.message());
  return !failed;
}

}  // namespace

void memorizza_dati(RouteModel& model, const std::filesystem::path& folder, CompileReport& report) {
  const std::filesystem::path line_path = folder / line_description_name(model);
  const std::filesystem::path train_path = folder / train_description_name(model);
  DescriptionReading reading(model, report);
  std::error_code failed;
  if (!std::filesystem::exists(line_path, failed)) {
    reading.read_line(std::nullopt);
    return;
  }
  if (const std::optional<std::string> line = read_document(line_path, reading)) {
    const bool train_wanted = reading.read_line(*line);
    if (!reading.failed() && delete_document(line_path, reading) && train_wanted) {
      if (const std::optional<std::string> train = read_document(train_path, reading)) {
        reading.read_train(*train);
        if (!reading.failed()) delete_document(train_path, reading);
      }
    }
  }
  if (reading.failed()) {
    // No description survives a run-time failure.
    std::error_code ignored;
    std::filesystem::remove(line_path, ignored);
    std::filesystem::remove(train_path, ignored);
  }
}

CompileOutcome memorizza_percorso(RouteModel& model, const std::filesystem::path& folder,
                                  std::int32_t j) {
  begin_compile(model, j);
  CompileReport report;
  memorizza_dati(model, folder, report);
  CompileOutcome outcome = finish_compile(model, std::move(report));
  if (outcome.has_files) {
    // Every file is checked before the first one is written.
    for (const CompiledFile& file : compiled_files(model)) {
      storage::replace_file(folder / file.name(), file);
    }
  }
  return outcome;
}

}  // namespace borgo::compiler
