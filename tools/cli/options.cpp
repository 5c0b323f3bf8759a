#include "tools/cli/options.hpp"

#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "tools/cli/command_support.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

// The name given to `option`, in Windows-1252.
std::string checked_name(std::string_view option, const std::string& name) {
  const std::string given = "the name given to " + std::string(option);
  if (name.empty()) throw UsageError("the option " + std::string(option) + " needs a name");
  if (name.find_first_of("/\\") != std::string::npos) {
    throw UsageError(given + " must not hold a folder separator: '" + name + "'");
  }
  Windows1252Text converted = windows_1252_from_platform(name);
  if (converted.text) return std::move(*converted.text);
  if (converted.unheld.empty())
    throw UsageError(given + " is not valid " + std::string(kPlatformEncoding));
  throw UsageError(given + " holds \"" + converted.unheld +
                   "\", which Windows-1252, the simulator's code page, cannot hold: '" + name +
                   "'");
}

// A folder that is there; the help shows no more than the option's name.
CLI::Validator existing_folder() {
  return CLI::Validator(
      [](std::string& given) {
        std::error_code unknown;
        if (std::filesystem::is_directory(given, unknown)) return std::string();
        return "'" + given + "' is not a folder";
      },
      "", "a folder");
}

}  // namespace

CLI::Option* add_folder(CLI::App& app, std::string& folder, std::string description,
                        FolderMustExist must_exist) {
  CLI::Option* option = app.add_option("DIR", folder, std::move(description))->required();
  if (must_exist == FolderMustExist::kYes) option->check(existing_folder());
  return option;
}

CLI::Option* add_out_folder(CLI::App& app, std::string& folder, std::string description) {
  return app.add_option("--out", folder, std::move(description))
      ->type_name("OUTDIR")
      ->check(existing_folder());
}

void add_scenario_options(CLI::App& app, ScenarioOptions& options, std::string line_description) {
  app.add_option("--line", options.line, std::move(line_description))
      ->type_name("NAME")
      ->required();
  app.add_option("--train", options.train, "the train's name")->type_name("NAME")->required();
}

ScenarioNames scenario_names(const ScenarioOptions& options) {
  ScenarioNames names;
  names.line = options.line;
  names.train = options.train;
  names.line_1252 = checked_name("--line", names.line);
  names.train_1252 = checked_name("--train", names.train);
  return names;
}

}  // namespace borgo::tools
