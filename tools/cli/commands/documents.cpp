// scenario-tool documents: the slow-down order and the train sheet drafted
// from the descriptions and the sheet settings.
#include "documents/documents.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "storage/replace_file.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/options.hpp"
#include "tools/drafting/route_facts.hpp"
#include "tools/drafting/sheet_settings.hpp"
#include "tools/drafting/slow_down_order.hpp"
#include "tools/drafting/train_sheet.hpp"
#include "tools/findings/scenario_compile.hpp"
#include "tools/packing/carried_documents.hpp"
#include "tools/shared/scenario_files.hpp"

namespace borgo::tools {
namespace {

// The largest settings file read: far beyond any line's rows.
constexpr std::uintmax_t kLargestSettings = 1 << 20;

class DocumentsCommand final : public Command {
 public:
  Text text() const override {
    return {.name = "documents",
            .summary = "draft the slow-down order and the train sheet from DIR",
            .description =
                R"(Drafts, from DIR/NAME_linea.txt and DIR/NAME_TRAIN-.txt, the slow-down order
(NAME_TRAIN_rallentamenti.txt) and the train sheet
(NAME_TRAIN_scheda_treno.txt) in the layouts of the package's own, and writes
them into OUTDIR (default DIR): Windows-1252 text with CR LF line ends.

The slow-down order lists every "rallentamento" row in route order with the
station or stations that enclose it, the kilometre post before its start, its
speed and its length. The train sheet lists the stations, the line speeds, the
kilometre progressives and the signal-repetition coding in pages of 32 lines.
What the descriptions cannot tell (the train's category, its locomotive, its
stops, two-way working, the author's own rows) comes from the sheet settings
DIR/NAME_TRAIN_scheda.txt when DIR holds it, else stays blank to fill in.

Descriptions with an error are drafted from what was read, with a note saying
where reading stopped; nothing is drafted when reading stopped before the
line's length was known.

When OUTDIR already holds either document, nothing is written and the command
names it, so that an author's documents are not lost.
)",
            .footer = R"(Diagnostics of the descriptions and of the settings go to standard error as
  FILE:LINE:COLUMN: error: message

Exit status:
  0  drafted, with no error in the descriptions or the settings
  1  drafted, but the descriptions record an error or a settings row was
     left out
  2  a usage problem, a description missing, documents in the way without
     --force, reading stopped before the line's length, or a file that cannot
     be read or written
)"};
  }

  void define(CLI::App& app) override {
    add_folder(app, folder_, "the folder of the two descriptions");
    add_scenario_options(app, scenario_, "the line's name (first part of every file name)");
    out_ = app.add_option("--out", out_folder_, "write the documents there (made when missing)")
               ->type_name("OUTDIR");
    app.add_flag("--force", force_, "replace the documents OUTDIR holds");
  }

  int run(std::ostream& out, std::ostream& err) override {
    const std::filesystem::path folder = folder_;
    const ScenarioNames names = scenario_names(scenario_);
    check_descriptions_present(folder, names);
    const std::filesystem::path output =
        out_->count() > 0 ? std::filesystem::path(out_folder_) : folder;
    const std::filesystem::path order_path =
        document_path(output, names, documents::DocumentKind::kSlowDownOrder);
    const std::filesystem::path sheet_path =
        document_path(output, names, documents::DocumentKind::kTrainSheet);
    if (!force_) refuse_documents_in_the_way({order_path, sheet_path});

    bool faults = false;
    const std::filesystem::path settings_path =
        folder / drafting::sheet_settings_name(names.line, names.train);
    drafting::SheetSettings settings;
    if (const std::optional<std::string> bytes = read_if_present(settings_path, kLargestSettings)) {
      const drafting::SettingsReading reading = drafting::read_sheet_settings(*bytes);
      for (const drafting::SettingsDiagnostic& fault : reading.diagnostics) {
        err << settings_path.string() << ":" << fault.at.line << ":" << fault.at.column
            << ": error: " << fault.message << "\n";
      }
      faults = !reading.diagnostics.empty();
      settings = reading.settings;
    } else {
      err << "scenario-tool documents: note: there is no sheet settings file '"
          << settings_path.string() << "': the cells it gives stay blank\n";
    }

    const CompileResult result = compile_scenario({.folder = folder, .names = names}, err);
    err << summary_line(result.counts) << "\n";
    const std::optional<drafting::RouteFacts> facts = drafting::RouteFacts::of(result.compilation);
    if (!facts) {
      throw Refusal("reading stopped before the line's length was known: nothing was drafted");
    }
    if (facts->error_number() != 0) {
      faults = true;
      err << "scenario-tool documents: note: reading stopped at " << stop_place(*facts, names)
          << " (error " << facts->error_number()
          << "): the documents hold what was read before it\n";
    }

    const drafting::Draft order =
        drafting::draft_slow_down_order(*facts, settings, names.line_1252, names.train_1252);
    const drafting::Draft sheet = drafting::draft_train_sheet(*facts, settings, names.train_1252);
    for (const drafting::Draft* draft : {&order, &sheet}) {
      for (const std::string& note : draft->notes) {
        err << "scenario-tool documents: note: " << note << "\n";
      }
    }
    std::filesystem::create_directories(output);
    storage::replace_file(order_path, order.bytes);
    out << "wrote " << order_path.string() << "\n";
    storage::replace_file(sheet_path, sheet.bytes);
    out << "wrote " << sheet_path.string() << "\n";
    return faults ? kExitRecordedError : kExitClean;
  }

 private:
  static void refuse_documents_in_the_way(std::initializer_list<std::filesystem::path> paths) {
    std::string in_the_way;
    for (const std::filesystem::path& path : paths) {
      // Anything under the name counts, a dangling link too.
      std::error_code failed;
      const std::filesystem::file_status status = std::filesystem::symlink_status(path, failed);
      if (status.type() == std::filesystem::file_type::not_found) continue;
      if (failed) throw storage::FileError(path, failed.message());
      in_the_way += "\n  " + path.string();
    }
    if (!in_the_way.empty()) {
      throw Refusal("the folder holds documents that would be overwritten:" + in_the_way +
                    "\nMove them, or give --force to replace them.");
    }
  }

  std::string stop_place(const drafting::RouteFacts& facts, const ScenarioNames& names) const {
    if (!facts.stopped_at()) return "an unknown row";
    const compiler::SourceSpot& spot = *facts.stopped_at();
    const documents::DocumentKind kind = spot.document == compiler::Document::kLineDescription
                                             ? documents::DocumentKind::kLineDescription
                                             : documents::DocumentKind::kTrainDescription;
    return document_path(folder_, names, kind).string() + ":" + std::to_string(spot.key.line);
  }

  std::string folder_;
  ScenarioOptions scenario_;
  std::string out_folder_;
  CLI::Option* out_ = nullptr;
  bool force_ = false;
};

}  // namespace

std::unique_ptr<Command> documents_command() { return std::make_unique<DocumentsCommand>(); }

}  // namespace borgo::tools
