#pragma once

#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "tools/cli/command.hpp"

namespace borgo::tools {

// A command line's words after the program's name.
using Arguments = std::span<const std::string>;

// scenario-tool as a function: `args` are the words after the program's
// name; output goes to `out`, diagnostics and messages to `err`. Returns the
// exit status (tools/cli/exit_status.hpp).
int run_tool(Arguments args, std::ostream& out, std::ostream& err);

// The commands, in the order the tool's help lists them.
std::vector<std::unique_ptr<Command>> all_commands();

std::unique_ptr<Command> compile_command();
std::unique_ptr<Command> emit_command();
std::unique_ptr<Command> documents_command();
std::unique_ptr<Command> dump_command();
std::unique_ptr<Command> render_command();
std::unique_ptr<Command> explain_command();
std::unique_ptr<Command> lsp_command();
std::unique_ptr<Command> preview_command();
std::unique_ptr<Command> pack_command();
std::unique_ptr<Command> unpack_command();
std::unique_ptr<Command> decompile_command();

}  // namespace borgo::tools
