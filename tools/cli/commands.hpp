#pragma once

#include <ostream>

#include "tools/cli/arguments.hpp"

namespace borgo::tools {

// scenario-tool as a function: `args` are the words after the program's
// name; output goes to `out`, diagnostics and messages to `err`. Returns the
// exit status (tools/cli/exit_status.hpp).
int run_tool(Arguments args, std::ostream& out, std::ostream& err);

// The commands, each given the words after its name.
int compile_command(Arguments args, std::ostream& out, std::ostream& err);
int emit_command(Arguments args, std::ostream& out, std::ostream& err);
int dump_command(Arguments args, std::ostream& out, std::ostream& err);
int render_command(Arguments args, std::ostream& out, std::ostream& err);
int explain_command(Arguments args, std::ostream& out, std::ostream& err);
int lsp_command(Arguments args, std::ostream& out, std::ostream& err);
int preview_command(Arguments args, std::ostream& out, std::ostream& err);
int pack_command(Arguments args, std::ostream& out, std::ostream& err);

}  // namespace borgo::tools
