// scenario-tool explain: what one line of a description holds, field by
// field, after the compile.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "compiler/compile.hpp"
#include "compiler/file_names.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/options.hpp"
#include "tools/findings/reference/explanation.hpp"
#include "tools/findings/scenario_compile.hpp"
#include "tools/findings/source_scan.hpp"
#include "tools/shared/scenario_files.hpp"

namespace borgo::tools {
namespace {

struct Spot {
  std::string file;
  std::int32_t line = 0;
};

bool digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// FILE:LINE or FILE:LINE:COLUMN; the column is taken and not needed.
Spot parse_spot(const std::string& words) {
  const std::size_t colon = words.rfind(':');
  if (colon == std::string::npos || colon == 0) {
    throw UsageError("'" + words + "' is not FILE:LINE");
  }
  std::string file = words.substr(0, colon);
  std::string line = words.substr(colon + 1);
  if (const std::size_t before = file.rfind(':'); before != std::string::npos && before > 0 &&
                                                  digits(file.substr(before + 1)) && digits(line)) {
    line = file.substr(before + 1);
    file.resize(before);
  }
  if (!digits(line) || line.size() > 9 || std::stol(line) < 1) {
    throw UsageError("'" + line + "' in '" + words + "' is not a line number (1 or more)");
  }
  return {file, static_cast<std::int32_t>(std::stol(line))};
}

class ExplainCommand final : public Command {
 public:
  Text text() const override {
    return {.name = "explain",
            .summary = "what one line of a description holds, field by field",
            .description =
                R"(Shows what line LINE of FILE holds, with DIR's two descriptions compiled as
the package program compiles them; nothing is written. For each row that
begins on the line (or goes on there from an earlier line): each field with
its name, the value as read, its unit and meaning; for a position, the cell
it falls in, what holds that cell after the compile and the kilometre
progressive there, as the train sheet counts it; for a station its item,
zone and marks; for a signal its approach marks; for a slow-down its warning
board, start and end. A line with no row says what it is: a section heading,
an empty line, text before "[generale]", or a key that matches no row, with
the nearest known key.

FILE is the line description (NAME_linea.txt) or the train description
(NAME_TRAIN-.txt), with or without its folder; FILE:LINE:COLUMN, as the
compile's diagnostics write it, is taken too.
)",
            .footer = R"(The descriptions' format, row by row: docs/description-format.md.

Exit status: 0 explained; 2 a usage problem, a file that cannot be read, or a
line the file does not have.
)"};
  }

  void define(CLI::App& app) override {
    add_folder(app, folder_name_, "the folder of the two descriptions");
    app.add_option("FILE:LINE", spot_, "the line to explain")->required();
    add_scenario_options(app, scenario_);
    app.add_flag("--json", json_, "the same as one JSON object");
  }

  int run(std::ostream& out, std::ostream&) override {
    const std::filesystem::path folder = folder_name_;
    const Spot spot = parse_spot(spot_);
    const ScenarioNames scenario = scenario_names(scenario_);
    check_descriptions_present(folder, scenario);
    const compiler::RouteModel names = scenario.as_given();
    const std::string line_name = compiler::line_description_name(names);
    const std::string train_name = compiler::train_description_name(names);
    const std::string asked = std::filesystem::path(spot.file).filename().string();
    if (asked != line_name && asked != train_name) {
      throw UsageError("'" + spot.file + "' is neither the line description (" + line_name +
                       ") nor the train description (" + train_name + ") of that scenario");
    }
    const compiler::Document document = asked == line_name ? compiler::Document::kLineDescription
                                                           : compiler::Document::kTrainDescription;

    const std::optional<std::string> line = read_if_present(folder / line_name);
    const std::optional<std::string> train = read_if_present(folder / train_name);
    const std::optional<std::string>& bytes =
        document == compiler::Document::kLineDescription ? line : train;
    const std::filesystem::path shown = folder / asked;
    if (!bytes) throw UsageError("'" + shown.string() + "' does not exist");
    const std::int32_t lines = line_count(*bytes);
    if (spot.line > lines) {
      throw UsageError("line " + std::to_string(spot.line) + " is not in '" + shown.string() +
                       "', which has " + std::to_string(lines) + " lines");
    }

    const compiler::Compilation compilation = compiler::compile({.line_name = scenario.line_1252,
                                                                 .train_name = scenario.train_1252,
                                                                 .write_line_file = 1,
                                                                 .line_description = line,
                                                                 .train_description = train});
    const ScannedDocument scanned = scan_description(*bytes, document, true);
    std::optional<ScannedDocument> train_scan;
    if (train) train_scan = scan_description(*train, compiler::Document::kTrainDescription, true);
    const std::filesystem::path other = folder / (asked == line_name ? train_name : line_name);
    const nlohmann::json explanation = explain_line({.shown_path = shown.string(),
                                                     .other_shown_path = other.string(),
                                                     .document = document,
                                                     .bytes = *bytes,
                                                     .line = spot.line,
                                                     .compilation = &compilation,
                                                     .scanned = &scanned,
                                                     .train = train_scan ? &*train_scan : nullptr});
    if (json_) {
      out << explanation.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else {
      out << explanation_text(explanation);
    }
    // Whether it arrived is told once the tool ends (tools/cli/main.cpp).
    return kExitClean;
  }

 private:
  std::string folder_name_;
  std::string spot_;
  ScenarioOptions scenario_;
  bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> explain_command() { return std::make_unique<ExplainCommand>(); }

}  // namespace borgo::tools
