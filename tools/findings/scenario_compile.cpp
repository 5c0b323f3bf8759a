#include "tools/findings/scenario_compile.hpp"

#include <optional>
#include <system_error>
#include <utility>

#include "compiler/file_names.hpp"
#include "storage/file_error.hpp"
#include "storage/read_file.hpp"
#include "storage/replace_file.hpp"
#include "tools/shared/refusal.hpp"
#include "tools/shared/same_file.hpp"

namespace borgo::tools {
std::optional<std::string> read_if_present(const std::filesystem::path& path,
                                           std::uintmax_t largest) {
  std::error_code failed;
  const bool present = std::filesystem::exists(path, failed);
  if (failed) throw storage::FileError(path, failed.message());
  if (!present) return std::nullopt;
  return storage::read_file(path, largest);
}

CompileResult compile_scenario(const CompileRequest& request, std::ostream& diagnostics,
                               std::vector<ShownDiagnostic>* shown) {
  const compiler::RouteModel names = request.names.as_given();
  const std::filesystem::path line_path = request.folder / compiler::line_description_name(names);
  const std::filesystem::path train_path = request.folder / compiler::train_description_name(names);
  const SourceDocument line{line_path.string(),
                            read_if_present(line_path, request.largest_description)};
  const SourceDocument train{train_path.string(),
                             read_if_present(train_path, request.largest_description)};
  return compile_documents(request.names, line, train, request.line_file, diagnostics, shown);
}

CompileResult compile_documents(const ScenarioNames& names, const SourceDocument& line,
                                const SourceDocument& train, bool line_file,
                                std::ostream& diagnostics, std::vector<ShownDiagnostic>* shown) {
  CompileResult result;
  result.compilation = compiler::compile({.line_name = names.line_1252,
                                          .train_name = names.train_1252,
                                          .write_line_file = line_file ? 1 : 0,
                                          .line_description = line.bytes,
                                          .train_description = train.bytes});
  result.counts = write_diagnostics(diagnostics, result.compilation.outcome,
                                    *result.compilation.model, line, train, shown);
  return result;
}

void check_distinct_outputs(const ScenarioNames& names, const std::filesystem::path& folder,
                            bool line_file) {
  struct Output {
    const char* what;
    std::filesystem::path path;
  };
  std::vector<Output> outputs;
  if (line_file) {
    outputs.push_back(
        {"line file", names.compiled_path(folder, compiler::CompiledFileKind::kLinePlan)});
  }
  outputs.push_back(
      {"train file", names.compiled_path(folder, compiler::CompiledFileKind::kItems)});
  outputs.push_back({"cell file", names.compiled_path(folder, compiler::CompiledFileKind::kCells)});
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      if (!one_file_where_case_is_ignored(outputs[i].path, outputs[j].path)) continue;
      throw Refusal("the " + std::string(outputs[i].what) + " '" + outputs[i].path.string() +
                    "' and the " + outputs[j].what + " '" + outputs[j].path.string() +
                    "' would be one file (where case is ignored, names that differ only in case "
                    "are one): choose another train name");
    }
  }
}

std::vector<std::filesystem::path> write_compiled_files(const compiler::Compilation& compilation,
                                                        const ScenarioNames& names,
                                                        const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> written;
  for (const compiler::CompiledFile& file : compilation.files) {
    written.push_back(names.compiled_path(folder, file.kind()));
    storage::replace_file(written.back(), file);
  }
  return written;
}

}  // namespace borgo::tools
