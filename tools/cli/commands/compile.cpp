// scenario-tool compile: the program's compile of any scenario, with
// diagnostics an editor can jump to.
#include <filesystem>

#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/options.hpp"
#include "tools/drafting/document_check.hpp"
#include "tools/findings/scenario_compile.hpp"
#include "tools/shared/scenario_files.hpp"

namespace borgo::tools {
namespace {

class CompileCommand final : public Command {
 public:
  Text text() const override {
    return {
        .name = "compile",
        .summary = "compile the descriptions in DIR, with diagnostics",
        .description = R"(Compiles DIR/NAME_linea.txt and DIR/NAME_TRAIN-.txt exactly as the package
program does and writes the compiled files into OUTDIR (default DIR):
NAME_linea.dat (the line plan), NAME_TRAIN.sim and NAME_TRAIN.dat. The
descriptions are read, never changed or deleted. A description that is not
there is named, with the scenarios of DIR that would fit, and nothing is
compiled.
)",
        .footer = R"(Diagnostics go to standard error, one per fault, as
  FILE:LINE:COLUMN: error N: message
  FILE:LINE:COLUMN: warning: message
each followed by the source line and a caret under the field at fault (a
line over 200 characters shows as a window around the field, cut with
"...", and a tab as blanks to the next column of 8); a fatal contest error
reads "error 1250: message" and has no line. A row whose key matches no row
of its section is skipped whole: one warning, on its key, names the key it
was likely meant to be. Past ten warnings of one kind in one document, a
note counts the rest. A slow-down order or train sheet in DIR that no longer
goes with the descriptions is a warning "FILE:LINE: warning: message" naming
its line ("scenario-tool documents" drafts it anew). A summary line counts
errors and warnings, and the ignored rows when there are any. Reading stops
at the first error, so there is at most one besides a fatal one.

The last line on standard output is "error_number N" (0 when clean) or
"fatal N".

Exit status:
  0  compiled, no error recorded (warnings allowed)
  1  compiled with a recorded error; the files were written as the program
     writes them (none when reading stopped before the line length)
  2  a usage problem, a description that is not there, or a file that cannot
     be read or written
  3  a fatal contest error (1250 or 1251): no compiled file was written
)"};
  }

  void define(CLI::App& app) override {
    add_folder(app, folder_, "the folder of the two descriptions");
    add_scenario_options(app, scenario_, "the line's name (first part of every file name)");
    app.add_flag("--no-line-file", no_line_file_,
                 "compile without the line plan and write no line file");
    out_ =
        app.add_option("--out", out_folder_, "write the compiled files there (made when missing)")
            ->type_name("OUTDIR");
  }

  int run(std::ostream& out, std::ostream& err) override {
    CompileRequest request;
    request.folder = folder_;
    request.names = scenario_names(scenario_);
    request.line_file = !no_line_file_;
    check_descriptions_present(request.folder, request.names);
    const std::filesystem::path output =
        out_->count() > 0 ? std::filesystem::path(out_folder_) : request.folder;
    check_distinct_outputs(request.names, output, request.line_file);
    std::filesystem::create_directories(output);

    const CompileResult result = compile_scenario(request, err);
    DiagnosticCounts counts = result.counts;
    // The service documents beside the descriptions, when they no longer go with them.
    for (const drafting::LocatedFinding& stale : drafting::check_documents_in(
             request.folder, request.names.line, request.names.train, request.names.line_1252,
             request.names.train_1252, result.compilation)) {
      err << drafting::located_text(stale, "warning") << "\n";
      ++counts.warnings;
    }
    err << summary_line(counts) << "\n";
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
  }

 private:
  std::string folder_;
  ScenarioOptions scenario_;
  bool no_line_file_ = false;
  std::string out_folder_;
  CLI::Option* out_ = nullptr;
};

}  // namespace

std::unique_ptr<Command> compile_command() { return std::make_unique<CompileCommand>(); }

}  // namespace borgo::tools
