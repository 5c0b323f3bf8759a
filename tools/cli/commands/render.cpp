// scenario-tool render: the line on one SVG page.
#include <filesystem>
#include <string>

#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/options.hpp"
#include "tools/drawing/line_render.hpp"
#include "tools/drawing/render_input.hpp"
#include "tools/findings/scenario_compile.hpp"
#include "tools/shared/output_file.hpp"
#include "tools/shared/scenario_files.hpp"

namespace borgo::tools {
namespace {

class RenderCommand final : public Command {
 public:
  Text text() const override {
    return {.name = "render",
            .summary = "draw the line: plan view and profiles on one SVG page",
            .description =
                R"(Draws the line on one SVG page that any browser opens (no script): the plan
view from the line file with the stations named and the signals marked, and
below it, on one axis of route position with the kilometre progressives, the
stations, the height profile integrated from the gradients, the gradient, the
line speed with the slow-downs, the adhesion, the curvature, the signals, the
montagna ranges and the signs (kilometre posts).

When DIR holds the line description NAME_linea.txt, the descriptions are
compiled first, as "scenario-tool compile" does (diagnostics on standard
error; nothing is written into DIR). Otherwise the compiled files in DIR are
drawn: NAME_TRAIN.sim, NAME_TRAIN.dat and, for the plan view, NAME_linea.dat.
)",
            .footer = R"(Exit status: 0 drawn; 1 drawn, but the compile recorded an error; 2 a usage
problem, or a file that cannot be read or written or does not fit its
layout; 3 a fatal contest error (nothing to draw).
)"};
  }

  void define(CLI::App& app) override {
    add_folder(app, folder_name_, "the folder of the descriptions, or of the compiled files");
    add_scenario_options(app, scenario_);
    app.add_option("-o,--output", output_,
                   "the SVG file to write; \"-\" writes the page to standard output, and a "
                   "FIFO or a device is written into as it is")
        ->type_name("FILE.svg")
        ->required();
  }

  int run(std::ostream& out, std::ostream& err) override {
    const std::filesystem::path folder = folder_name_;
    const ScenarioNames names = scenario_names(scenario_);
    const std::string& output = output_;
    int status = kExitClean;
    RenderInput input;
    if (check_drawing_source(folder, names) == DrawingSource::kDescriptions) {
      const CompileResult result = compile_scenario({folder, names, true}, err);
      err << summary_line(result.counts) << "\n";
      const compiler::CompileOutcome& outcome = result.outcome();
      if (outcome.fatal != 0) return kExitFatal;
      if (!outcome.has_files) {
        err << "scenario-tool render: nothing was compiled, so there is nothing to draw\n";
        return kExitRecordedError;
      }
      if (outcome.error_number != 0) status = kExitRecordedError;
      input = render_input_of(result.compilation, names, folder);
    } else {
      // Compiled files in the folder: the cell file of the train "linea" is the line file.
      check_distinct_outputs(names, folder, true);
      input = render_input_in(folder, names);
    }
    if (write_output(output, render_line_svg(input), out) == OutputWritten::kFile) {
      out << "wrote " << output << "\n";
    }
    return status;
  }

 private:
  std::string folder_name_;
  ScenarioOptions scenario_;
  std::string output_;
};

}  // namespace

std::unique_ptr<Command> render_command() { return std::make_unique<RenderCommand>(); }

}  // namespace borgo::tools
