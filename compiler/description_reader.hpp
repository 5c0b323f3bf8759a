#pragma once

#include <filesystem>

#include "compiler/compile_report.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler {

// The descriptions' file names in a scenario folder.
std::filesystem::path line_description_path(const RouteModel& model,
                                            const std::filesystem::path& folder);
std::filesystem::path train_description_path(const RouteModel& model,
                                             const std::filesystem::path& folder);

// Reads the line description and then the train description from `folder`
// into the model, deleting each once read. Faults are recorded in
// model.error_number (with where and why in `report`); any run-time failure
// becomes error 25, after which neither description is left in the folder.
void memorizza_dati(RouteModel& model, const std::filesystem::path& folder, CompileReport& report);

}  // namespace borgo::compiler
