// scenario-tool dump: a compiled file as readable text or as JSON.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compiled_files.hpp"
#include "storage/read_file.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/drawing/compiled_decoder.hpp"
#include "tools/drawing/compiled_listing.hpp"

namespace borgo::tools {
namespace {

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

class DumpCommand final : public Command {
 public:
  Text text() const override {
    return {.name = "dump",
            .summary = "show compiled files (.dat, .sim, _linea.dat) as text or JSON",
            .description = R"(Shows compiled files as text, one line per entry:
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
)",
            .footer = R"(Exit status: 0 every file fits its layout; 1 a file does not fit; 2 a usage
problem or a file that cannot be read.
)"};
  }

  void define(CLI::App& app) override {
    app.add_option("FILE", files_, "the compiled files to show")->required();
    app.add_flag("--json", json_, "the same as a JSON array, one object per file");
    as_ = app.add_option("--as", as_name_, "read every FILE as a line, train or cells file")
              ->type_name("KIND");
  }

  int run(std::ostream& out, std::ostream&) override {
    const bool json = json_;
    // Every name is checked, and every file read, before anything is shown;
    // a file larger than its kind can be is not read.
    struct File {
      compiler::CompiledFileKind kind = compiler::CompiledFileKind::kCells;
      std::uint64_t size = 0;
      std::optional<std::string> bytes;
    };
    std::vector<File> files;
    for (const std::string& name : files_) {
      File& file = files.emplace_back();
      file.kind = kind_of(name, as_->count() > 0 ? &as_name_ : nullptr);
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
        write_listing_json(out, files_[i], size, d);
      } else {
        write_listing_text(out, files_[i], size, d);
      }
    }
    if (json) out << "\n]\n";
    return all_fit ? kExitClean : kExitRecordedError;
  }

 private:
  std::vector<std::string> files_;
  bool json_ = false;
  std::string as_name_;
  CLI::Option* as_ = nullptr;
};

}  // namespace

std::unique_ptr<Command> dump_command() { return std::make_unique<DumpCommand>(); }

}  // namespace borgo::tools
