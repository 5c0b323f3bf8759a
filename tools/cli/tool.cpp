// scenario-tool: the command words and the tool's own help.
#include <string_view>

#include "tools/cli/commands.hpp"
#include "tools/cli/exit_status.hpp"

namespace borgo::tools {
namespace {

constexpr std::string_view kHelp = R"(Usage: scenario-tool COMMAND [ARGUMENTS]

The scenario author's tool: compiles a scenario's line and train descriptions
with the package program's own compiler, shows where and why it fails, reads
compiled files and draws the line.

Commands:
  compile DIR --line NAME --train NAME [--no-line-file] [--out OUTDIR]
                   compile the descriptions in DIR, with diagnostics
  emit DIR         write the package's five documents into DIR, to start from
  dump FILE... [--json]
                   show compiled files (.dat, .sim, _linea.dat) as text or JSON
  render DIR --line NAME --train NAME -o FILE.svg
                   draw the line: plan view and profiles on one SVG page
  explain DIR --line NAME --train NAME FILE:LINE [--json]
                   what one line of a description holds, field by field
  lsp              a language server for editors, over standard input and output
  preview DIR --line NAME --train NAME [--port N] [--open]
                   a page on 127.0.0.1 that shows the drawing and the
                   diagnostics, and follows each saved change
  pack DIR --line NAME --train NAME [--target windows|linux] -o PROGRAM
                   make the scenario's package program, for players

"scenario-tool COMMAND --help" tells more about each command. What the line
and train descriptions hold, row by row and field by field, and what to do
about each error: docs/description-format.md.

Exit status: 0 done; 1 a recorded compile error, or a compiled file that does
not fit its layout; 2 a usage problem, a file that cannot be read or written,
or standard output or error that cannot be written (a full device, a closed
pipe); 3 a fatal contest error.
)";

}  // namespace

int run_tool(Arguments args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kHelp;
    return kExitUsage;
  }
  const std::string_view command = args.front();
  const Arguments rest = args.subspan(1);
  if (command == "--help" || command == "-h" || command == "help") {
    out << kHelp;
    return kExitClean;
  }
  if (command == "compile") return compile_command(rest, out, err);
  if (command == "emit") return emit_command(rest, out, err);
  if (command == "dump") return dump_command(rest, out, err);
  if (command == "render") return render_command(rest, out, err);
  if (command == "explain") return explain_command(rest, out, err);
  if (command == "lsp") return lsp_command(rest, out, err);
  if (command == "preview") return preview_command(rest, out, err);
  if (command == "pack") return pack_command(rest, out, err);
  err << "scenario-tool: unknown command '" << command << "'\n"
      << "Try 'scenario-tool --help'.\n";
  return kExitUsage;
}

}  // namespace borgo::tools
