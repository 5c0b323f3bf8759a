#pragma once

#include <CLI/App.hpp>
#include <memory>
#include <string>
#include <vector>

#include "tools/cli/command.hpp"

namespace borgo::tools {

// "Usage: scenario-tool NAME DIR --line NAME [--out OUTDIR]": the command's
// arguments and options as its definitions declare them, the optional ones
// in brackets, wrapped under the first at 79 columns.
std::string command_usage(const CLI::App& app);

// The command's --help: its usage, description, options with what each
// takes and does, and footer.
std::string command_help(const CLI::App& app, const Command::Text& text);

// scenario-tool's own help: what it is, each command's usage and summary,
// and the exit statuses.
std::string tool_help(const std::vector<std::unique_ptr<Command>>& commands,
                      const std::vector<const CLI::App*>& apps);

}  // namespace borgo::tools
