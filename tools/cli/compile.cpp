// scenario-tool compile: the program's compile of any scenario, with
// diagnostics an editor can jump to.
#include <array>
#include <filesystem>

#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/scenario_options.hpp"
#include "tools/findings/scenario_compile.hpp"

namespace borgo::tools {
namespace {

constexpr std::string_view kHelp =
    R"(Usage: scenario-tool compile DIR --line NAME --train NAME [--no-line-file] [--out OUTDIR]

Compiles DIR/NAME_linea.txt and DIR/NAME_TRAIN-.txt exactly as the package
program does and writes the compiled files into OUTDIR (default DIR):
NAME_linea.dat (the line plan), NAME_TRAIN.sim and NAME_TRAIN.dat. The
descriptions are read, never changed or deleted.

Options:
  --line NAME       the line's name (first part of every file name)
  --train NAME      the train's name
  --no-line-file    compile without the line plan and write no line file
  --out OUTDIR      write the compiled files there (made when missing)
  -h, --help        show this text

Diagnostics go to standard error, one per fault, as
  FILE:LINE:COLUMN: error N: message
  FILE:LINE:COLUMN: warning: message
each followed by the source line and a caret under the field at fault (a
line over 200 characters shows as a window around the field, cut with
"..."); a fatal contest error reads "error 1250: message" and has no line.
Past ten warnings of one kind in one document, a note counts the rest. A summary
line counts errors and warnings. Reading stops at the first error, so there
is at most one besides a fatal one.

The last line on standard output is "error_number N" (0 when clean) or
"fatal N".

Exit status:
  0  compiled, no error recorded (warnings allowed)
  1  compiled with a recorded error; the files were written as the program
     writes them (none when reading stopped before the line length)
  2  a usage problem, or a file that cannot be read or written
  3  a fatal contest error (1250 or 1251): no compiled file was written
)";

constexpr std::array<OptionRule, 4> kOptions{{
    {"--line", true},
    {"--train", true},
    {"--no-line-file", false},
    {"--out", true},
}};

}  // namespace

int compile_command(Arguments args, std::ostream& out, std::ostream& err) {
  return guarded("compile", err, [&] {
    const ParsedArguments parsed = parse_arguments(args, kOptions);
    if (parsed.help) {
      out << kHelp;
      return kExitClean;
    }
    CompileRequest request;
    request.folder = parsed.single_folder();
    request.names = scenario_names(parsed);
    request.line_file = !parsed.has("--no-line-file");
    const std::string* out_option = parsed.value("--out");
    const std::filesystem::path output =
        out_option != nullptr ? std::filesystem::path(*out_option) : request.folder;
    check_distinct_outputs(request.names, output, request.line_file);
    if (!std::filesystem::is_directory(request.folder)) {
      throw UsageError("'" + request.folder.string() + "' is not a folder");
    }
    std::filesystem::create_directories(output);

    const CompileResult result = compile_scenario(request, err);
    err << summary_line(result.counts) << "\n";
    for (const auto& path : write_compiled_files(result.compilation, request.names, output)) {
      out << "wrote " << path.string() << "\n";
    }
    const compiler::CompileOutcome& outcome = result.outcome();
    if (outcome.fatal != 0) {
      out << "fatal " << outcome.fatal << "\n";
      return kExitFatal;
    }
    out << "error_number " << outcome.error_number << "\n";
    return outcome.error_number != 0 ? kExitRecordedError : kExitClean;
  });
}

}  // namespace borgo::tools
