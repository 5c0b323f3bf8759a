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

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "compiler/field_reader.hpp"
#include "compiler/utf8_text.hpp"
#include "documents/documents.hpp"
#include "documents/package_payload.hpp"
#include "storage/byte_sink.hpp"
#include "storage/read_file.hpp"
#include "storage/replace_file.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/cli/scenario_options.hpp"
#include "tools/findings/scenario_compile.hpp"
#include "tools/shared/output_file.hpp"
#include "tools/shared/same_file.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

constexpr std::string_view kHelp =
    R"(Usage: scenario-tool pack DIR --line NAME --train NAME [--target windows|linux]
                         [--allow-errors] [--from-utf8] [--generic-program FILE]
                         -o PROGRAM

Makes PROGRAM, the scenario's package program: run by a player, it writes the
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
records an error is not packed unless --allow-errors is given.

PROGRAM is made from the generic package program of the target, which is
installed beside scenario-tool: )";
// The rest of the help, after the generic programs' names.
constexpr std::string_view kHelpEnd = R"(

Options:
  --line NAME              the line's name (first part of every file name)
  --train NAME             the train's name
  --target windows|linux   the platform PROGRAM runs on (default: windows,
                           the platform players use)
  --allow-errors           pack a scenario that records an error all the same
  --from-utf8              convert documents saved as UTF-8 to Windows-1252
                           (refusing a letter Windows-1252 lacks)
  --generic-program FILE   start from FILE instead of the generic package
                           program beside scenario-tool
  -o, --output PROGRAM     the package program to write; name a Windows one
                           NAME.exe. "-" writes it to standard output, and
                           a FIFO or a device is written into as it is.
                           It is never a file pack reads: one of the
                           documents, the generic package program or
                           scenario-tool itself
  -h, --help               show this text

Exit status:
  0  packed
  1  the scenario records an error (or a fatal contest error): nothing written
  2  a usage problem, a document missing or not as a package carries it, a
     generic package program missing, PROGRAM naming a file pack reads, or a
     file that cannot be read or written
)";

constexpr std::array<OptionRule, 7> kOptions{{
    {"--line", true},
    {"--train", true},
    {"--target", true},
    {"--allow-errors", false},
    {"--from-utf8", false},
    {"--generic-program", true},
    {"--output", true, "-o"},
}};

enum class Target { kWindows, kLinux };

struct TargetTraits {
  std::string_view name;    // as --target takes it
  std::string_view shown;   // in messages
  std::string_view suffix;  // of its programs' file names
  std::string_view magic;   // the first bytes of its programs
  std::string_view kind;    // what its programs are
  std::string_view preset;  // that builds its generic package program
};

constexpr TargetTraits kWindowsTraits{"windows", "Windows",           ".exe",
                                      "MZ",      "a Windows program", "windows"};
// An ELF file begins with 0x7F "ELF".
constexpr TargetTraits kLinuxTraits{"linux",           "Linux",  "", "\x7f\x45\x4c\x46",
                                    "a Linux program", "release"};

const TargetTraits& traits(Target target) {
  return target == Target::kWindows ? kWindowsTraits : kLinuxTraits;
}

Target target_of(const ParsedArguments& parsed) {
  const std::string* given = parsed.value("--target");
  if (given == nullptr || *given == kWindowsTraits.name) return Target::kWindows;
  if (*given == kLinuxTraits.name) return Target::kLinux;
  throw UsageError("--target takes windows or linux, not '" + *given + "'");
}

// The running tool's own file, or why it cannot be found.
std::filesystem::path tool_path(std::string& failure) {
#ifdef _WIN32
  std::vector<wchar_t> name(MAX_PATH);
  // Windows' paths end at 32767 characters: the buffer doubles a few times at most.
  constexpr std::size_t kLongestPath = 32768;
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0 || (length >= name.size() && name.size() >= kLongestPath)) {
      failure = "cannot find scenario-tool's own folder";
      return {};
    }
    if (length < name.size()) return std::filesystem::path(std::wstring(name.data(), length));
    name.resize(name.size() * 2);
  }
#else
  std::error_code failed;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
  if (failed) failure = "cannot find scenario-tool's own folder: " + failed.message();
  return self;
#endif
}

// The folder of the running tool, where the generic package programs are
// installed beside it.
std::filesystem::path tool_folder() {
  std::string failure;
  const std::filesystem::path self = tool_path(failure);
  if (!failure.empty()) throw std::runtime_error(failure);
  return self.parent_path();
}

// The generic package program of `target`: its path and bytes. Throws
// Refusal when it is missing or is not one.
struct GenericProgram {
  std::filesystem::path path;
  std::string bytes;
};

GenericProgram generic_program(const ParsedArguments& parsed, Target target) {
  const TargetTraits& t = traits(target);
  const std::string* given = parsed.value("--generic-program");
  GenericProgram program;
  program.path =
      given != nullptr
          ? std::filesystem::path(*given)
          : tool_folder() / (std::string(BORGO_PACKAGE_PROGRAM_NAME) + std::string(t.suffix));
  std::error_code failed;
  if (!std::filesystem::exists(program.path, failed) && !failed) {
    throw Refusal(
        "there is no " + std::string(t.shown) + " generic package program at '" +
        program.path.string() + "'. It is built by the " + std::string(t.preset) +
        " preset and installed beside scenario-tool by cmake --install (see the README's \"Ship "
        "your scenario\"); or name one with --generic-program.");
  }
  program.bytes = storage::read_file(program.path);
  if (!program.bytes.starts_with(t.magic)) {
    throw Refusal("'" + program.path.string() + "' is not " + std::string(t.kind) +
                  ": it cannot be the " + std::string(t.shown) + " generic package program");
  }
  if (documents::carries_payload(program.bytes)) {
    throw Refusal("'" + program.path.string() +
                  "' is a scenario's package program already, not the generic one");
  }
  return program;
}

// The name given to `option`, in Windows-1252, checked as a scenario name.
void check_scenario_name(std::string_view option, const std::string& name_1252) {
  if (const std::optional<std::string> fault = documents::scenario_name_fault(name_1252)) {
    throw UsageError("the name given to " + std::string(option) + " " + *fault);
  }
}

std::filesystem::path document_path(const std::filesystem::path& folder, const ScenarioNames& names,
                                    documents::DocumentKind kind) {
  return folder / documents::document_name(kind, names.line, names.train);
}

// Throws Refusal when PROGRAM would be written over a file pack reads: one of
// the author's documents (there or not: one written there would be read as
// the document next time), the generic package program or the tool itself.
// Told apart by name, as a file system that ignores case does, and on disk,
// through links and other spellings.
void check_output_spares_inputs(const std::filesystem::path& output,
                                const std::filesystem::path& folder, const ScenarioNames& names,
                                const GenericProgram& generic) {
  struct Input {
    std::string what;
    std::filesystem::path path;
  };
  std::vector<Input> inputs;
  for (const documents::DocumentKind kind : documents::kDocumentKinds) {
    inputs.push_back(
        {std::string(documents::document_title(kind)), document_path(folder, names, kind)});
  }
  inputs.push_back({"generic package program", generic.path});
  std::string unknown;  // then there is no file of the tool to name
  const std::filesystem::path self = tool_path(unknown);
  if (unknown.empty()) inputs.push_back({"running scenario-tool", self});
  for (const Input& input : inputs) {
    if (one_file_on_disk(output, input.path) ||
        one_file_where_case_is_ignored(output, input.path)) {
      throw Refusal("nothing was packed: -o '" + output.string() + "' would write over the " +
                    input.what + " '" + input.path.string() +
                    "', which pack reads: name another PROGRAM");
    }
  }
}

// One document as the package will carry it.
struct PackedDocument {
  std::filesystem::path path;  // the author's file
  std::string bytes;           // Windows-1252, CR LF lines
};
using PackedDocuments = std::array<std::optional<PackedDocument>, documents::kDocumentCount>;

std::string where(const std::filesystem::path& path, std::string_view bytes, std::size_t offset) {
  const compiler::FieldLocation at = compiler::location_of(bytes, offset);
  return path.string() + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
}

// A document's bytes as a package carries them, or the reason they cannot
// be (in `fault`). What was changed goes to `notes`.
std::optional<std::string> packed_bytes(const std::filesystem::path& path, std::string bytes,
                                        bool from_utf8, std::vector<std::string>& notes,
                                        std::string& fault) {
  if (const std::optional<std::size_t> letter = compiler::first_utf8_letter(bytes)) {
    if (!from_utf8) {
      const auto lead = static_cast<unsigned char>(bytes[*letter]);
      const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
      fault = where(path, bytes, *letter) + ": the document is saved as UTF-8 (\"" +
              bytes.substr(*letter, length) +
              "\" here), but a package carries Windows-1252 text: save it as Windows-1252, or "
              "give --from-utf8 to convert it";
      return std::nullopt;
    }
    // Editors on Windows begin UTF-8 with a byte order mark; it is no text.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(kByteOrderMark)) bytes.erase(0, kByteOrderMark.size());
    Windows1252Text converted = windows_1252_from_utf8(bytes);
    if (!converted.text) {
      fault = where(path, bytes, bytes.find(converted.unheld)) + ": \"" + converted.unheld +
              "\" has no character in Windows-1252, the package's code page";
      return std::nullopt;
    }
    bytes = std::move(*converted.text);
    notes.push_back(path.string() + ": converted from UTF-8 to Windows-1252");
  }

  std::string lines;
  lines.reserve(bytes.size() + bytes.size() / 16);
  std::size_t lone_line_feeds = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) {
      lines += '\r';
      ++lone_line_feeds;
    }
    lines += bytes[i];
  }
  if (lone_line_feeds > 0) {
    notes.push_back(path.string() + ": " + std::to_string(lone_line_feeds) +
                    (lone_line_feeds == 1 ? " line end LF" : " line ends LF") + " given CR LF");
  }
  if (!lines.empty() && lines.back() != '\n') {
    lines += "\r\n";
    notes.push_back(path.string() + ": the last line, which had no line end, given CR LF");
  }
  return lines;
}

// Why `lines` make no line table, or nullopt when they make one.
std::optional<std::string> line_table_fault(const std::filesystem::path& path,
                                            std::string_view lines) {
  using Kind = documents::LineTableFault::Kind;
  const auto scratch = std::make_unique<documents::LineTable>();
  const auto fault = documents::fill_line_table(lines, *scratch);
  if (!fault) return std::nullopt;
  std::string text = path.string() + ":" + std::to_string(fault->line) + ": ";
  if (fault->kind == Kind::kTooManyLines) {
    return text + "more than " + std::to_string(documents::kMostLines) +
           " lines, the most a package program writes of a document";
  }
  if (fault->kind == Kind::kEndMarkerLine) {
    return text + "the line \"" + std::string(documents::kEndMarker) +
           "\" ends a package program's document: nothing after it would be written";
  }
  return text + fault->what;
}

// Reads and checks the documents; the faults of all of them are refused at once.
PackedDocuments read_documents(const std::filesystem::path& folder, const ScenarioNames& names,
                               bool from_utf8, std::ostream& err) {
  PackedDocuments packed;
  std::vector<std::string> faults;
  std::vector<std::string> notes;
  for (const documents::DocumentKind kind : documents::kDocumentKinds) {
    const std::string title(documents::document_title(kind));
    const std::filesystem::path path = document_path(folder, names, kind);
    std::optional<std::string> bytes = read_if_present(path);
    if (!bytes) {
      if (documents::is_description(kind)) {
        faults.push_back("there is no " + title + " '" + path.string() + "'");
      } else {
        notes.push_back("there is no " + title + " '" + path.string() +
                        "': the package writes none");
      }
      continue;
    }
    std::string fault;
    std::optional<std::string> lines =
        packed_bytes(path, std::move(*bytes), from_utf8, notes, fault);
    if (lines) {
      if (std::optional<std::string> table_fault = line_table_fault(path, *lines)) {
        fault = std::move(*table_fault);
        lines.reset();
      }
    }
    if (!lines) {
      faults.push_back(fault);
      continue;
    }
    packed[static_cast<std::size_t>(kind)] = PackedDocument{path, std::move(*lines)};
  }
  for (const std::string& note : notes) err << "scenario-tool pack: note: " << note << "\n";
  if (!faults.empty()) {
    std::string text = "nothing was packed:";
    for (const std::string& fault : faults) text += "\n  " + fault;
    throw Refusal(text);
  }
  return packed;
}

// The generic program followed by the payload, written without joining them.
class PackageContent final : public storage::FileContent {
 public:
  PackageContent(std::string_view program, std::string_view payload)
      : program_(program), payload_(payload) {}
  std::uint64_t size() const override { return program_.size() + payload_.size(); }
  void write_to(storage::ByteSink& sink) const override {
    sink.write(program_);
    sink.write(payload_);
  }

 private:
  std::string_view program_;
  std::string_view payload_;
};

}  // namespace

int pack_command(Arguments args, std::ostream& out, std::ostream& err) {
  return guarded("pack", err, [&] {
    const ParsedArguments parsed = parse_arguments(args, kOptions);
    if (parsed.help) {
      out << kHelp << BORGO_PACKAGE_PROGRAM_NAME << kWindowsTraits.suffix << " for Windows,\n"
          << BORGO_PACKAGE_PROGRAM_NAME << kLinuxTraits.suffix << " for Linux." << kHelpEnd;
      return kExitClean;
    }
    const std::filesystem::path folder = parsed.single_folder();
    const ScenarioNames names = scenario_names(parsed);
    check_scenario_name("--line", names.line_1252);
    check_scenario_name("--train", names.train_1252);
    if (const std::optional<std::string> fault =
            documents::package_file_name_fault(names.line_1252, names.train_1252)) {
      throw UsageError("the names given to --line and --train " + *fault);
    }
    const std::string& output = parsed.required("--output");
    const bool to_standard_output = output == "-";
    const Target target = target_of(parsed);
    // The package program writes its compiled files beside itself.
    check_distinct_outputs(names, {}, true);
    if (!std::filesystem::is_directory(folder)) {
      throw UsageError("'" + folder.string() + "' is not a folder");
    }
    const GenericProgram generic = generic_program(parsed, target);
    if (!to_standard_output) check_output_spares_inputs(output, folder, names, generic);

    const PackedDocuments packed = read_documents(folder, names, parsed.has("--from-utf8"), err);
    const PackedDocument& line = *packed[0];
    const PackedDocument& train = *packed[1];
    const CompileResult result = compile_documents(names, {line.path.string(), line.bytes},
                                                   {train.path.string(), train.bytes}, true, err);
    err << summary_line(result.counts) << "\n";
    const compiler::CompileOutcome& outcome = result.outcome();
    const std::int32_t recorded = outcome.fatal != 0 ? outcome.fatal : outcome.error_number;
    if (recorded != 0 && !parsed.has("--allow-errors")) {
      err << "scenario-tool pack: the scenario records error " << recorded
          << ": nothing was packed (--allow-errors packs it all the same)\n";
      return kExitRecordedError;
    }

    // The tables view the documents' bytes, which stay where they are from here on.
    const auto tables =
        std::make_unique<std::array<documents::LineTable, documents::kDocumentCount>>();
    documents::Scenario scenario{.line_name = names.line_1252, .train_name = names.train_1252};
    for (std::size_t i = 0; i < packed.size(); ++i) {
      if (!packed[i]) continue;
      documents::fill_line_table(packed[i]->bytes, (*tables)[i]);
      scenario.documents[i] = &(*tables)[i];
    }
    std::string payload;
    try {
      payload = documents::make_payload(scenario);
    } catch (const std::invalid_argument& refused) {
      throw Refusal(std::string("nothing was packed: ") + refused.what());
    }
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
  });
}

}  // namespace borgo::tools
