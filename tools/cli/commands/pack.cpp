// scenario-tool pack: a scenario's own package program, made from the
// generic package program and the scenario's documents, without a compiler.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#endif

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "documents/documents.hpp"
#include "documents/package_payload.hpp"
#include "storage/replace_file.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/options.hpp"
#include "tools/drafting/document_check.hpp"
#include "tools/findings/scenario_compile.hpp"
#include "tools/packing/carried_documents.hpp"
#include "tools/packing/package.hpp"
#include "tools/packing/target.hpp"
#include "tools/shared/output_file.hpp"
#include "tools/shared/scenario_files.hpp"

namespace borgo::tools {
namespace {

// The name given to `option`, in Windows-1252, checked as a scenario name.
void check_scenario_name(std::string_view option, const std::string& name_1252) {
  if (const std::optional<std::string> fault = documents::scenario_name_fault(name_1252)) {
    throw UsageError("the name given to " + std::string(option) + " " + *fault);
  }
}

class PackCommand final : public Command {
 public:
  Text text() const override {
    return {.name = "pack",
            .summary = "make the scenario's package program, for players",
            .description =
                R"(Makes PROGRAM, the scenario's package program: run by a player, it writes the
scenario's documents into its own folder and compiles them, exactly as
Borgo_Mar_TX903 does with its own. It carries DIR/NAME_linea.txt,
DIR/NAME_TRAIN-.txt and, when DIR holds them, the notes
(NAME_TRAIN_note.txt), the slow-down order (NAME_TRAIN_rallentamenti.txt) and
the train sheet (NAME_TRAIN_scheda_treno.txt); one that is missing is named,
and the program writes none. Its window and message boxes are titled
NAME_TRAIN.

The documents go in as the program will write them: Windows-1252 text with
CR LF line ends, at most 1000 lines. Lines ended by a lone LF are given CR LF,
and a last line without a line end is given one (each document where that
happens is named). A document saved as UTF-8 is refused, naming the file and
line of its first letter beyond ASCII, unless --from-utf8 converts it.

Before anything is written, the scenario is compiled as the program will
compile it, with the diagnostics of "scenario-tool compile"; a scenario that
records an error is not packed unless --allow-errors is given, nor one with
ignored rows (rows whose key matches no row of their section, so that what
they place is lost) unless --allow-ignored-rows is given. The slow-down
order and the train sheet are checked against the descriptions (the entries
against the "rallentamento" rows, the stations, the train and the line they
name): one that differs is not packed unless --allow-stale-documents is given,
and "scenario-tool documents" drafts them anew.

PROGRAM is made from the generic package program of the target, which is
installed beside scenario-tool: )" +
                std::string(BORGO_PACKAGE_PROGRAM_NAME) +
                std::string(traits(Target::kWindows).suffix) + " for Windows,\n" +
                std::string(BORGO_PACKAGE_PROGRAM_NAME) +
                std::string(traits(Target::kLinux).suffix) + " for Linux.\n",
            .footer = R"(Exit status:
  0  packed
  1  the scenario records an error (or a fatal contest error), has ignored
     rows, or a service document differs from the descriptions: nothing
     written
  2  a usage problem, a document missing or not as a package carries it, a
     generic package program missing, PROGRAM naming a file pack reads, or a
     file that cannot be read or written
)"};
  }

  void define(CLI::App& app) override {
    add_folder(app, folder_name_, "the folder of the scenario's documents");
    add_scenario_options(app, scenario_, "the line's name (first part of every file name)");
    target_ = app.add_option("--target", target_name_,
                             "the platform PROGRAM runs on (default: windows, "
                             "the platform players use)")
                  ->type_name("windows|linux");
    app.add_flag("--allow-errors", allow_errors_,
                 "pack a scenario that records an error all the same");
    app.add_flag("--allow-ignored-rows", allow_ignored_rows_,
                 "pack a scenario with rows the compile ignores all the same");
    app.add_flag("--allow-stale-documents", allow_stale_documents_,
                 "pack service documents that differ from the descriptions all the same");
    app.add_flag("--from-utf8", from_utf8_,
                 "convert documents saved as UTF-8 to Windows-1252 "
                 "(refusing a letter Windows-1252 lacks)");
    generic_ = app.add_option("--generic-program", generic_program_,
                              "start from FILE instead of the generic package "
                              "program beside scenario-tool")
                   ->type_name("FILE");
    app.add_option("-o,--output", output_,
                   "the package program to write; name a Windows one "
                   "NAME.exe. \"-\" writes it to standard output, and "
                   "a FIFO or a device is written into as it is. "
                   "It is never a file pack reads: one of the "
                   "documents, the generic package program or "
                   "scenario-tool itself")
        ->type_name("PROGRAM")
        ->required();
  }

  int run(std::ostream& out, std::ostream& err) override {
    const std::filesystem::path folder = folder_name_;
    const ScenarioNames names = scenario_names(scenario_);
    check_scenario_name("--line", names.line_1252);
    check_scenario_name("--train", names.train_1252);
    if (const std::optional<std::string> fault =
            documents::package_file_name_fault(names.line_1252, names.train_1252)) {
      throw UsageError("the names given to --line and --train " + *fault);
    }
    const std::string& output = output_;
    check_output_folder(output);
    check_descriptions_present(folder, names);
    const bool to_standard_output = output == "-";
    const Target target = target_of();
    // The package program writes its compiled files beside itself.
    check_distinct_outputs(names, {}, true);
    const GenericProgram generic = find_generic_program(
        target, generic_->count() > 0 ? std::optional<std::filesystem::path>(generic_program_)
                                      : std::nullopt);
    if (!to_standard_output) check_output_spares_inputs(output, folder, names, generic.path);

    const CarriedDocuments carried = read_carried_documents(folder, names, from_utf8_);
    for (const std::string& note : carried.notes) {
      err << "scenario-tool pack: note: " << note << "\n";
    }
    if (!carried.faults.empty()) {
      std::string text = "nothing was packed:";
      for (const std::string& fault : carried.faults) text += "\n  " + fault;
      throw Refusal(text);
    }
    const PackedDocuments& packed = carried.documents;
    const PackedDocument& line = *packed[0];
    const PackedDocument& train = *packed[1];
    const CompileResult result = compile_documents(names, {line.path.string(), line.bytes},
                                                   {train.path.string(), train.bytes}, true, err);
    err << summary_line(result.counts) << "\n";
    const compiler::CompileOutcome& outcome = result.outcome();
    const std::int32_t recorded = outcome.fatal != 0 ? outcome.fatal : outcome.error_number;
    if (recorded != 0 && !allow_errors_) {
      err << "scenario-tool pack: the scenario records error " << recorded
          << ": nothing was packed (--allow-errors packs it all the same)\n";
      return kExitRecordedError;
    }
    if (!result.counts.ignored_rows.empty() && !allow_ignored_rows_) {
      const std::size_t rows = result.counts.ignored_rows.size();
      err << "scenario-tool pack: the compile ignores " << rows << (rows == 1 ? " row" : " rows")
          << ", and what " << (rows == 1 ? "it places or sets" : "they place or set")
          << " would be missing: nothing was packed (--allow-ignored-rows packs it all the "
             "same)\n";
      for (const std::string& row : result.counts.ignored_rows) err << "  " << row << "\n";
      return kExitRecordedError;
    }
    if (!stale_documents_pass(folder, names, packed, result.compilation, err)) {
      return kExitRecordedError;
    }

    const std::string payload = package_payload(names, packed);
    if (target == Target::kWindows && !to_standard_output &&
        std::filesystem::path(output).extension() != ".exe") {
      err << "scenario-tool pack: note: Windows runs a program whose name ends in .exe; '" << output
          << "' does not\n";
    }
#ifdef _WIN32
    // The program's bytes as they are: no CR added before a LF.
    if (to_standard_output) _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (write_output(output, PackageContent(generic.bytes, payload), out,
                     storage::FileKind::kProgram) == OutputWritten::kFile) {
      out << "wrote " << output << "\n";
    }
    return kExitClean;
  }

 private:
  Target target_of() const {
    if (target_->count() == 0) return Target::kWindows;
    if (const std::optional<Target> target = target_named(target_name_)) return *target;
    throw UsageError("--target takes windows or linux, not '" + target_name_ + "'");
  }

  // Reports each service document's difference from the descriptions, as
  // errors unless --allow-stale-documents; true when packing goes on.
  bool stale_documents_pass(const std::filesystem::path& folder, const ScenarioNames& names,
                            const PackedDocuments& packed, const compiler::Compilation& compilation,
                            std::ostream& err) const {
    const auto shipped =
        [&](documents::DocumentKind kind) -> std::optional<drafting::ShippedDocument> {
      const std::optional<PackedDocument>& document = packed[static_cast<std::size_t>(kind)];
      if (!document) return std::nullopt;
      return drafting::ShippedDocument{document->path, document->bytes};
    };
    const std::optional<std::string> settings =
        read_if_present(folder / drafting::sheet_settings_name(names.line, names.train));
    const std::vector<drafting::LocatedFinding> findings = drafting::check_shipped_documents(
        compilation, shipped(documents::DocumentKind::kSlowDownOrder),
        shipped(documents::DocumentKind::kTrainSheet), settings, names.line_1252, names.train_1252);
    for (const drafting::LocatedFinding& finding : findings) {
      err << drafting::located_text(finding, allow_stale_documents_ ? "warning" : "error") << "\n";
    }
    if (findings.empty() || allow_stale_documents_) return true;
    err << "scenario-tool pack: the service documents differ from the descriptions: nothing was "
           "packed (scenario-tool documents drafts them anew; --allow-stale-documents packs them "
           "all the same)\n";
    return false;
  }

  std::string folder_name_;
  ScenarioOptions scenario_;
  std::string target_name_;
  CLI::Option* target_ = nullptr;
  bool allow_errors_ = false;
  bool allow_ignored_rows_ = false;
  bool allow_stale_documents_ = false;
  bool from_utf8_ = false;
  std::string generic_program_;
  CLI::Option* generic_ = nullptr;
  std::string output_;
};

}  // namespace

std::unique_ptr<Command> pack_command() { return std::make_unique<PackCommand>(); }

}  // namespace borgo::tools
