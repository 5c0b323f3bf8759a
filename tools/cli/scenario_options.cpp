#include "tools/cli/scenario_options.hpp"

#include <string>
#include <utility>

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

}  // namespace

ScenarioNames scenario_names(const ParsedArguments& parsed) {
  ScenarioNames names;
  names.line = parsed.required("--line");
  names.train = parsed.required("--train");
  names.line_1252 = checked_name("--line", names.line);
  names.train_1252 = checked_name("--train", names.train);
  return names;
}

}  // namespace borgo::tools
