// scenario-tool emit: the package's five documents, the start of a new scenario.
#include <filesystem>

#include "documents/documents.hpp"
#include "tools/command_support.hpp"
#include "tools/commands.hpp"
#include "tools/scenario_compile.hpp"

namespace borgo::tools {
namespace {

constexpr std::string_view kHelp = R"(Usage: scenario-tool emit DIR

Writes the package's five embedded documents into DIR (made when missing),
byte for byte as the package program writes them, replacing older files:
the line description, the train description, the notes, the slow-down order
and the train sheet of the line Borgo_Mar and the train TX 903. Nothing is
compiled. Rename and edit them to start a new scenario, then run
  scenario-tool compile DIR --line Borgo_Mar --train "TX 903"

Options:
  -h, --help   show this text

Exit status: 0 written; 2 a usage problem or a file that cannot be written.
)";

}  // namespace

int emit_command(Arguments args, std::ostream& out, std::ostream& err) {
  return guarded("emit", err, [&] {
    const ParsedArguments parsed = parse_arguments(args, {});
    if (parsed.help) {
      out << kHelp;
      return kExitClean;
    }
    const std::filesystem::path folder = parsed.single_folder();
    std::filesystem::create_directories(folder);
    // The program's order: line, train, notes, slow-down order, train sheet.
    documents::dati_linea(folder, kEmbeddedLine);
    documents::dati_treno(folder, kEmbeddedLine, kEmbeddedTrain);
    documents::dati_note(folder, kEmbeddedLine, kEmbeddedTrain);
    documents::dati_rallentamenti(folder, kEmbeddedLine, kEmbeddedTrain);
    documents::dati_scheda(folder, kEmbeddedLine, kEmbeddedTrain);
    for (const std::string& name :
         {documents::line_description_name(kEmbeddedLine),
          documents::train_description_name(kEmbeddedLine, kEmbeddedTrain),
          documents::notes_name(kEmbeddedLine, kEmbeddedTrain),
          documents::slow_down_order_name(kEmbeddedLine, kEmbeddedTrain),
          documents::train_sheet_name(kEmbeddedLine, kEmbeddedTrain)}) {
      out << "wrote " << (folder / name).string() << "\n";
    }
    return kExitClean;
  });
}

}  // namespace borgo::tools
