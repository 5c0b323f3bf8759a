#include "tools/scenario_compile.hpp"

#include <optional>
#include <system_error>

#include "compiler/file_names.hpp"
#include "storage/read_file.hpp"
#include "storage/replace_file.hpp"
#include "tools/arguments.hpp"

namespace borgo::tools {
namespace {

std::optional<std::string> read_if_present(const std::filesystem::path& path) {
  std::error_code failed;
  if (!std::filesystem::exists(path, failed)) return std::nullopt;
  return storage::read_file(path);
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
  compiler::RouteModel names;
  names.line_name = request.line_name;
  names.train_name = request.train_name;
  const std::filesystem::path line_path = request.folder / compiler::line_description_name(names);
  const std::filesystem::path train_path = request.folder / compiler::train_description_name(names);
  const SourceDocument line{line_path.string(), read_if_present(line_path)};
  const SourceDocument train{train_path.string(), read_if_present(train_path)};

  CompileResult result;
  result.compilation = compiler::compile({.line_name = request.line_name,
                                          .train_name = request.train_name,
                                          .write_line_file = request.line_file ? 1 : 0,
                                          .line_description = line.bytes,
                                          .train_description = train.bytes});
  result.counts = write_diagnostics(diagnostics, result.compilation.outcome,
                                    *result.compilation.model, line, train);
  return result;
}

std::vector<std::filesystem::path> write_compiled_files(const compiler::Compilation& compilation,
                                                        const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> written;
  for (const compiler::CompiledFile& file : compilation.files) {
    written.push_back(folder / file.name());
    storage::replace_file(written.back(), file);
  }
  return written;
}

}  // namespace borgo::tools
