#include "tools/scenario_compile.hpp"

#include <optional>
#include <system_error>

#include "compiler/compiled_files.hpp"
#include "compiler/description_reader.hpp"
#include "storage/read_file.hpp"
#include "storage/replace_file.hpp"
#include "tools/arguments.hpp"
#include "tools/temporary_folder.hpp"

namespace borgo::tools {
namespace {

std::optional<std::string> read_if_present(const std::filesystem::path& path) {
  std::error_code failed;
  if (!std::filesystem::exists(path, failed)) return std::nullopt;
  return read_file(path);
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

void check_scenario_name(std::string_view option, const std::string& name) {
  if (name.empty()) throw UsageError("the option " + std::string(option) + " needs a name");
  if (name.find_first_of("/\\") != std::string::npos) {
    throw UsageError("the name given to " + std::string(option) +
                     " must not hold a folder separator: '" + name + "'");
  }
}

CompileResult compile_scenario(const CompileRequest& request, std::ostream& diagnostics) {
  compiler::RouteModel model;
  model.line_name = request.line_name;
  model.train_name = request.train_name;
  const std::filesystem::path line_path = compiler::line_description_path(model, request.folder);
  const std::filesystem::path train_path = compiler::train_description_path(model, request.folder);
  const SourceDocument line{line_path.string(), read_if_present(line_path)};
  const SourceDocument train{train_path.string(), read_if_present(train_path)};

  // The compile deletes what it reads: it gets copies.
  const TemporaryFolder copies;
  if (line.bytes) replace_file(compiler::line_description_path(model, copies.path()), *line.bytes);
  if (train.bytes) {
    replace_file(compiler::train_description_path(model, copies.path()), *train.bytes);
  }

  CompileResult result;
  result.outcome =
      compiler::memorizza_percorso(model, copies.path(), request.output, request.line_file ? 1 : 0);
  // A detail that names a copy names the author's document instead.
  replace_all(result.outcome.report.error_detail, copies.path().string(), request.folder.string());
  result.counts = write_diagnostics(diagnostics, result.outcome, model, line, train);
  if (result.outcome.files_written) {
    if (request.line_file) {
      result.written.push_back(request.output / compiler::line_file_name(model));
    }
    result.written.push_back(request.output / compiler::train_file_name(model));
    result.written.push_back(request.output / compiler::cell_file_name(model));
  }
  return result;
}

}  // namespace borgo::tools
