// scenario-tool emit: the package's five documents, the start of a new scenario.
#include <filesystem>
#include <string>
#include <system_error>

#include "documents/documents.hpp"
#include "storage/replace_file.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/options.hpp"
#include "tools/drafting/sheet_settings.hpp"

namespace borgo::tools {
namespace {

class EmitCommand final : public Command {
 public:
  Text text() const override {
    return {
        .name = "emit",
        .summary = "write the package's documents into DIR, to start from",
        .description = R"(Writes the package's five embedded documents into DIR (made when missing),
byte for byte as the package program writes them: the line description, the
train description, the notes, the slow-down order and the train sheet of the
line Borgo_Mar and the train TX 903. Beside them goes the train sheet's
settings, Borgo_Mar_TX 903_scheda.txt, from which "scenario-tool documents"
drafts the slow-down order and the train sheet again. Nothing is compiled.
Rename and edit them to start a new scenario, then run
  scenario-tool compile DIR --line Borgo_Mar --train "TX 903"
  scenario-tool documents DIR --line Borgo_Mar --train "TX 903" --force

When DIR already holds any of the six, nothing is written and the command
names them, so that an author's edited documents are not lost.
)",
        .footer = R"(Exit status: 0 written; 2 a usage problem, documents in the way without
--force, or a file that cannot be written.
)"};
  }

  void define(CLI::App& app) override {
    add_folder(app, folder_name_, "the folder to write into", FolderMustExist::kNo);
    app.add_flag("--force", force_, "replace the documents DIR holds");
  }

  int run(std::ostream& out, std::ostream&) override {
    const std::filesystem::path folder = folder_name_;
    // The program's order: line, train, notes, slow-down order, train sheet.
    const std::string names[] = {documents::line_description_name(kEmbeddedLine),
                                 documents::train_description_name(kEmbeddedLine, kEmbeddedTrain),
                                 documents::notes_name(kEmbeddedLine, kEmbeddedTrain),
                                 documents::slow_down_order_name(kEmbeddedLine, kEmbeddedTrain),
                                 documents::train_sheet_name(kEmbeddedLine, kEmbeddedTrain),
                                 drafting::sheet_settings_name(kEmbeddedLine, kEmbeddedTrain)};
    if (!force_) {
      std::string in_the_way;
      for (const std::string& name : names) {
        // Anything under the name counts, a dangling link too.
        std::error_code failed;
        const std::filesystem::file_status status =
            std::filesystem::symlink_status(folder / name, failed);
        if (status.type() == std::filesystem::file_type::not_found) continue;
        if (failed) throw storage::FileError(folder / name, failed.message());
        in_the_way += "\n  " + (folder / name).string();
      }
      if (!in_the_way.empty()) {
        throw Refusal("the folder holds documents that would be overwritten:" + in_the_way +
                      "\nMove them, or give --force to replace them.");
      }
    }
    std::filesystem::create_directories(folder);
    const documents::Scenario& embedded = documents::embedded_scenario();
    documents::dati_linea(folder, embedded);
    documents::dati_treno(folder, embedded);
    documents::dati_note(folder, embedded);
    documents::dati_rallentamenti(folder, embedded);
    documents::dati_scheda(folder, embedded);
    storage::replace_file(folder / names[5], drafting::embedded_sheet_settings());
    for (const std::string& name : names) {
      out << "wrote " << (folder / name).string() << "\n";
    }
    return kExitClean;
  }

 private:
  std::string folder_name_;
  bool force_ = false;
};

}  // namespace

std::unique_ptr<Command> emit_command() { return std::make_unique<EmitCommand>(); }

}  // namespace borgo::tools
