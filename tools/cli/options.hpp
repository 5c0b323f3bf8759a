#pragma once

#include <CLI/App.hpp>
#include <string>

#include "tools/shared/scenario_names.hpp"

namespace borgo::tools {

// DIR, the folder a command works on. One that must be there is checked
// here, as the command line is read, for every command alike.
enum class FolderMustExist { kYes, kNo };
CLI::Option* add_folder(CLI::App& app, std::string& folder, std::string description,
                        FolderMustExist must_exist = FolderMustExist::kYes);

// --out OUTDIR, a folder that must be there, checked as the command line is
// read.
CLI::Option* add_out_folder(CLI::App& app, std::string& folder, std::string description);

// --line NAME and --train NAME, both required.
struct ScenarioOptions {
  std::string line;
  std::string train;
};
void add_scenario_options(CLI::App& app, ScenarioOptions& options,
                          std::string line_description = "the line's name");

// The names given, checked and converted. Throws UsageError for an empty
// name, a folder separator, bytes that are not valid in the platform's
// encoding or a character that Windows-1252 cannot hold.
ScenarioNames scenario_names(const ScenarioOptions& options);

}  // namespace borgo::tools
