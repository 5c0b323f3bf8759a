// scenario-tool unpack: the documents a package program made by pack
// carries, written out so that a shipped scenario is a source again.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "documents/documents.hpp"
#include "documents/line_table.hpp"
#include "documents/package_payload.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/options.hpp"
#include "tools/shared/output_file.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

// A name the package holds in Windows-1252, as a file name the platform
// takes: std::filesystem reads the UTF-8 exactly, on Windows too.
std::filesystem::path file_name(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A word of a command line, quoted when it holds a blank.
std::string shell_word(const std::string& word) {
  return word.find(' ') == std::string::npos ? word : "\"" + word + "\"";
}

class UnpackCommand final : public Command {
 public:
  Text text() const override {
    return {
        .name = "unpack",
        .summary = "write out the documents a package program carries",
        .description = R"(Reads the scenario that PROGRAM, a package program made by `pack`, carries
and writes its documents into OUTDIR (default the folder PROGRAM is in), byte
for byte as the program writes them when it runs: the line and train
descriptions and, when the package has them, the notes, the slow-down order
and the train sheet. Nothing is compiled and PROGRAM is not run. The last line
on standard output gives the --line and --train that name the scenario.

PROGRAM is read from its end, as the package program reads itself: one that
carries no scenario (the generic package program, any other program) or a
damaged one is told, and nothing is written. Without --force nothing is
written either when OUTDIR holds any of the documents already.
)",
        .footer = R"(Exit status: 0 written; 2 a usage problem, a program that is not a package or
is damaged, documents in the way without --force, or a file that cannot be
read or written.
)"};
  }

  void define(CLI::App& app) override {
    app.add_option("PROGRAM", program_, "the package program")->required();
    out_ = add_out_folder(app, out_folder_,
                          "write the documents there, a folder that must exist (default the "
                          "folder of PROGRAM)");
    app.add_flag("--force", force_, "replace documents that are there already");
  }

  int run(std::ostream& out, std::ostream&) override {
    const std::filesystem::path program = program_;
    std::unique_ptr<documents::Package> package;
    try {
      package = documents::read_package_file(program);
    } catch (const documents::PackageDamaged& damage) {
      throw Refusal("'" + program.string() +
                    "' is not a package program made by pack, or a damaged one: " + damage.what());
    }
    const documents::Scenario& scenario = package->scenario();
    const std::string line = utf8_from_1252(scenario.line_name);
    const std::string train = utf8_from_1252(scenario.train_name);
    std::filesystem::path folder = program.parent_path();
    if (out_->count() > 0) folder = out_folder_;

    struct Document {
      std::filesystem::path path;
      std::string bytes;
    };
    std::vector<Document> carried;
    std::vector<std::filesystem::path> paths;
    for (const documents::DocumentKind kind : documents::kDocumentKinds) {
      const documents::LineTable* table = scenario.document(kind);
      if (table == nullptr) continue;
      carried.push_back({folder / file_name(documents::document_name(kind, line, train)),
                         documents::render_lines(*table)});
      paths.push_back(carried.back().path);
    }
    check_new_outputs(paths, force_);
    for (const Document& document : carried) {
      write_new_output(document.path, document.bytes, force_);
      out << "wrote " << document.path.string() << "\n";
    }
    out << "the scenario: --line " << shell_word(line) << " --train " << shell_word(train) << "\n";
    return kExitClean;
  }

 private:
  std::string program_;
  std::string out_folder_;
  CLI::Option* out_ = nullptr;
  bool force_ = false;
};

}  // namespace

std::unique_ptr<Command> unpack_command() { return std::make_unique<UnpackCommand>(); }

}  // namespace borgo::tools
