#include "tools/shared/scenario_names.hpp"

#include "compiler/file_names.hpp"

namespace borgo::tools {

compiler::RouteModel ScenarioNames::as_given() const {
  compiler::RouteModel model;
  model.line_name = line;
  model.train_name = train;
  return model;
}

std::filesystem::path ScenarioNames::compiled_path(const std::filesystem::path& folder,
                                                   compiler::CompiledFileKind kind) const {
  const compiler::RouteModel model = as_given();
  switch (kind) {
    case compiler::CompiledFileKind::kLinePlan:
      return folder / compiler::line_file_name(model);
    case compiler::CompiledFileKind::kItems:
      return folder / compiler::train_file_name(model);
    case compiler::CompiledFileKind::kCells:
      break;
  }
  return folder / compiler::cell_file_name(model);
}

}  // namespace borgo::tools
