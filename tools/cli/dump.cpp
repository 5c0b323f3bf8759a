// scenario-tool dump: a compiled file as readable text or as JSON.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "compiler/compiled_files.hpp"
#include "storage/read_file.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/drawing/compiled_decoder.hpp"
#include "tools/drawing/compiled_listing.hpp"

namespace borgo::tools {
namespace {

constexpr std::string_view kHelp =
    R"(Usage: scenario-tool dump FILE... [--json] [--as line|train|cells]

Shows compiled files as text, one line per entry:
- a cell file (NAME_TRAIN.dat): every cell whose fields are not all 0, with
  its index, the positions whose features land in it (cell i holds
  (i-1)*50 up to i*50 m), its kind and the fields that mean something for
  that kind, then its line speed, gradient, adhesion and marks;
- a train file (NAME_TRAIN.sim): every item record that is not all zero,
  named by its role: station, sign, kilometre-progressive change (81 to 83),
  train and line length (84), line (85), train (86);
- a line file (NAME_linea.dat): the number of entries of each type in each
  coordinate column, and the coordinates every 1000 m.
The kind of file comes from its name; --as names it for a renamed file.
A file whose length or layout does not fit says so, and at which byte; one
larger than any file of its kind is told by its size, without being read.

Options:
  --json       the same as a JSON array, one object per file
  --as KIND    read every FILE as a line, train or cells file
  -h, --help   show this text

Exit status: 0 every file fits its layout; 1 a file does not fit; 2 a usage
problem or a file that cannot be read.
)";

constexpr std::array<OptionRule, 2> kOptions{{{"--json", false}, {"--as", true}}};

compiler::CompiledFileKind kind_of(const std::filesystem::path& file, const std::string* as) {
  if (as != nullptr) {
    if (*as == "line") return compiler::CompiledFileKind::kLinePlan;
    if (*as == "train") return compiler::CompiledFileKind::kItems;
    if (*as == "cells") return compiler::CompiledFileKind::kCells;
    throw UsageError("--as takes line, train or cells, not '" + *as + "'");
  }
  const std::string name = file.filename().string();
  const auto ends_with = [&](std::string_view tail) {
    return name.size() >= tail.size() &&
           name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (ends_with("_linea.dat")) return compiler::CompiledFileKind::kLinePlan;
  if (ends_with(".sim")) return compiler::CompiledFileKind::kItems;
  if (ends_with(".dat")) return compiler::CompiledFileKind::kCells;
  throw UsageError("cannot tell from its name what '" + file.string() +
                   "' is; name it with --as line, train or cells");
}

}  // namespace

int dump_command(Arguments args, std::ostream& out, std::ostream& err) {
  return guarded("dump", err, [&] {
    const ParsedArguments parsed = parse_arguments(args, kOptions);
    if (parsed.help) {
      out << kHelp;
      return kExitClean;
    }
    if (parsed.positionals.empty()) throw UsageError("no FILE to dump");
    const bool json = parsed.has("--json");
    // Every name is checked, and every file read, before anything is shown;
    // a file larger than its kind can be is not read.
    struct File {
      compiler::CompiledFileKind kind = compiler::CompiledFileKind::kCells;
      std::uint64_t size = 0;
      std::optional<std::string> bytes;
    };
    std::vector<File> files;
    for (const std::string& name : parsed.positionals) {
      File& file = files.emplace_back();
      file.kind = kind_of(name, parsed.value("--as"));
      try {
        file.bytes = storage::read_file(name, largest_file_bytes(file.kind));
      } catch (const storage::FileTooLarge& too_large) {
        file.size = too_large.size();
      }
    }
    bool all_fit = true;
    if (json) out << "[";
    for (std::size_t i = 0; i < files.size(); ++i) {
      const File& file = files[i];
      const Listing d = file.bytes ? list_compiled_file(file.kind, *file.bytes)
                                   : list_oversized_file(file.kind, file.size);
      const std::uint64_t size = file.bytes ? file.bytes->size() : file.size;
      all_fit = all_fit && !d.problem;
      if (json) {
        out << (i == 0 ? "\n  " : ",\n  ");
        write_listing_json(out, parsed.positionals[i], size, d);
      } else {
        write_listing_text(out, parsed.positionals[i], size, d);
      }
    }
    if (json) out << "\n]\n";
    return all_fit ? kExitClean : kExitRecordedError;
  });
}

}  // namespace borgo::tools
