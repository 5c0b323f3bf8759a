#pragma once

#include "tools/cli/arguments.hpp"
#include "tools/shared/scenario_names.hpp"

namespace borgo::tools {

// The names given to --line and --train, checked and converted. Throws
// UsageError for an empty name, a folder separator, bytes that are not
// valid in the platform's encoding or a character that Windows-1252 cannot
// hold.
ScenarioNames scenario_names(const ParsedArguments& parsed);

}  // namespace borgo::tools
