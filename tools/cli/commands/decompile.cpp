// scenario-tool decompile: a scenario's compiled files back to the two
// descriptions that compile to them.
#include "tools/decompile/decompile.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "storage/read_file.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/options.hpp"
#include "tools/decompile/round_trip_check.hpp"
#include "tools/drawing/compiled_decoder.hpp"
#include "tools/shared/output_file.hpp"

namespace borgo::tools {
namespace {

using compiler::CompiledFileKind;

// A compiled file's bytes, or why it cannot be read as one: a file larger
// than any of its kind is told by its size, unread.
struct ReadFile {
  std::optional<std::string> bytes;
  std::optional<std::string> damage;  // "FILE: offset N: why"
};

ReadFile read_compiled(const std::filesystem::path& path, CompiledFileKind kind) {
  try {
    return {storage::read_file(path, largest_file_bytes(kind)), std::nullopt};
  } catch (const storage::FileTooLarge& too_large) {
    return {std::nullopt, path.string() + ": offset " + std::to_string(too_large.largest()) +
                              ": longer than any " + std::string(decompile::file_title(kind)) +
                              " can be"};
  }
}

// Whether anything, a dangling link too, is at `path`.
bool is_there(const std::filesystem::path& path) {
  std::error_code failed;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, failed);
  if (status.type() == std::filesystem::file_type::not_found) return false;
  if (failed) throw storage::FileError(path, failed.message());
  return true;
}

// The note beside the descriptions: the format has no comment row, so what
// they hold by guess is told here, one line each, in the documents' text.
std::string guesses_note(const decompile::CompiledInput& input,
                         const std::vector<decompile::Unrecovered>& unrecovered) {
  std::string note = "What the compiled files of " + input.line_name + " - " + input.train_name +
                     " do not keep, and what the decompiled descriptions hold instead:\r\n";
  for (const decompile::Unrecovered& guess : unrecovered) {
    note += "- " + guess.what + ": " + guess.detail + "\r\n";
  }
  return note;
}

class DecompileCommand final : public Command {
 public:
  Text text() const override {
    return {.name = "decompile",
            .summary = "the compiled files in DIR back to two descriptions",
            .description =
                R"(Reads the compiled files DIR/NAME_linea.dat (the line plan), NAME_TRAIN.sim
and NAME_TRAIN.dat, and writes into OUTDIR (default DIR) a line description
NAME_linea.txt and a train description NAME_TRAIN-.txt, Windows-1252 with CR
LF line ends and laid out as the package's own, that compile to those files
byte for byte.

What the compiled files do not keep (a station's column 5 or 6 the compile
drops, a signal time, the curves when there is no line file...) is written
as a guess that compiles to the same bytes: each is told on standard error,
one line each, and in a note NAME_TRAIN_guesses.txt beside the descriptions,
since the descriptions have no comment rows. Without NAME_linea.dat the line
plan is unknown: no curve is written, and the descriptions compile to the
other two files as `compile --no-line-file` does.

The check compiles the written descriptions in memory and compares them with
the files read; its outcome is the exit status, and a difference is told by
file, byte, cell, item or plan entry, and both values.

Nothing is written when a file does not fit its layout or holds what no
description compiles to ("FILE: offset N: why"), nor, without --force, when
a description or the note is there already.
)",
            .footer = R"(Exit status:
  0  written, and (unless --no-check) they compile to the files byte for byte
  1  written, but they compile to other files: the first difference is told
  2  a usage problem, a compiled file missing, damaged or not made by a
     compile, a description in the way without --force, or a file that cannot
     be read or written
)"};
  }

  void define(CLI::App& app) override {
    add_folder(app, folder_, "the folder of the compiled files");
    add_scenario_options(app, scenario_, "the line's name (first part of every file name)");
    out_ = add_out_folder(app, out_folder_,
                          "write the descriptions there, a folder that must exist (default DIR)");
    app.add_flag("--force", force_, "replace descriptions and a note that are there already");
    app.add_flag("--no-check", no_check_,
                 "do not compile the descriptions to check them against the files");
  }

  int run(std::ostream& out, std::ostream& err) override {
    const ScenarioNames names = scenario_names(scenario_);
    const std::filesystem::path folder = folder_;
    const std::filesystem::path output =
        out_->count() > 0 ? std::filesystem::path(out_folder_) : folder;
    const compiler::RouteModel model = names.as_given();
    const std::filesystem::path outputs[] = {
        output / compiler::line_description_name(model),
        output / compiler::train_description_name(model),
        output / (names.line + "_" + names.train + "_guesses.txt")};
    check_new_outputs(outputs, force_);

    const std::filesystem::path line_path =
        names.compiled_path(folder, CompiledFileKind::kLinePlan);
    const std::filesystem::path train_path = names.compiled_path(folder, CompiledFileKind::kItems);
    const std::filesystem::path cell_path = names.compiled_path(folder, CompiledFileKind::kCells);
    for (const std::filesystem::path& needed : {train_path, cell_path}) {
      if (!is_there(needed)) throw Refusal("there is no compiled file '" + needed.string() + "'");
    }
    ReadFile line;  // none: compiled without one
    if (is_there(line_path)) line = read_compiled(line_path, CompiledFileKind::kLinePlan);
    const ReadFile train = read_compiled(train_path, CompiledFileKind::kItems);
    const ReadFile cells = read_compiled(cell_path, CompiledFileKind::kCells);
    for (const ReadFile* file : {&std::as_const(line), &train, &cells}) {
      if (file->damage) {
        err << *file->damage << "\n";
        return kExitUsage;
      }
    }

    decompile::CompiledInput input;
    input.line_name = names.line_1252;
    input.train_name = names.train_1252;
    if (line.bytes) input.line_file = *line.bytes;
    input.train_file = *train.bytes;
    input.cell_file = *cells.bytes;
    const decompile::Decompilation result = decompile::decompile(input);
    if (result.misfit) {
      const std::filesystem::path& file =
          result.misfit->file == CompiledFileKind::kLinePlan ? line_path
          : result.misfit->file == CompiledFileKind::kItems  ? train_path
                                                             : cell_path;
      err << file.string() << ": offset " << result.misfit->offset << ": " << result.misfit->reason
          << "\n";
      return kExitUsage;
    }
    std::optional<decompile::RoundTrip> check;
    if (!no_check_) check = decompile::check_round_trip(input, *result.descriptions);

    const std::string note = guesses_note(input, result.unrecovered);
    const std::string* contents[] = {&result.descriptions->line, &result.descriptions->train,
                                     result.unrecovered.empty() ? nullptr : &note};
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
      if (contents[i] == nullptr) continue;
      write_new_output(outputs[i], *contents[i], force_);
      out << "wrote " << outputs[i].string() << "\n";
    }
    for (const decompile::Unrecovered& guess : result.unrecovered) {
      err << "scenario-tool decompile: guessed " << guess.what << ": " << guess.detail << "\n";
    }
    if (!check) return kExitClean;
    if (!check->exact()) {
      err << "scenario-tool decompile: the descriptions compile to other files: "
          << decompile::describe(*check) << "\n";
      return kExitRecordedError;
    }
    out << "they compile to the files byte for byte\n";
    return kExitClean;
  }

 private:
  std::string folder_;
  ScenarioOptions scenario_;
  std::string out_folder_;
  CLI::Option* out_ = nullptr;
  bool force_ = false;
  bool no_check_ = false;
};

}  // namespace

std::unique_ptr<Command> decompile_command() { return std::make_unique<DecompileCommand>(); }

}  // namespace borgo::tools
