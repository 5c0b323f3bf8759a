#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/compile.hpp"
#include "compiler/compiled_files.hpp"
#include "tools/findings/diagnostics.hpp"
#include "tools/shared/scenario_names.hpp"

namespace borgo::tools {

// A document's bytes, or nullopt when there is none. A name the file system
// refuses (too long, say) is the author's to hear about, not a missing file:
// throws storage::FileError; storage::FileTooLarge for a document of more
// than `largest` bytes, which is not read.
std::optional<std::string> read_if_present(
    const std::filesystem::path& path,
    std::uintmax_t largest = std::numeric_limits<std::uintmax_t>::max());

struct CompileRequest {
  std::filesystem::path folder;  // holds the two descriptions
  ScenarioNames names;
  bool line_file = true;  // j = 1; false: j = 0, no line file
  // A larger description is not read: storage::FileTooLarge.
  std::uintmax_t largest_description = std::numeric_limits<std::uintmax_t>::max();
};

struct CompileResult {
  compiler::Compilation compilation;
  DiagnosticCounts counts;

  const compiler::CompileOutcome& outcome() const { return compilation.outcome; }
};

// Compiles the descriptions in request.folder exactly as the program does,
// from their bytes, so that the author's documents stay as they are; writes
// the diagnostics, naming the author's files, to `diagnostics`. Throws
// storage::FileError when a document cannot be read, or its name cannot be
// looked up (a name too long for the file system). With `shown`, each
// diagnostic is kept there in parts too.
CompileResult compile_scenario(const CompileRequest& request, std::ostream& diagnostics,
                               std::vector<ShownDiagnostic>* shown = nullptr);

// The same for the descriptions' bytes already in hand: `line` and `train`
// as the author has them (their bytes none when missing).
CompileResult compile_documents(const ScenarioNames& names, const SourceDocument& line,
                                const SourceDocument& train, bool line_file,
                                std::ostream& diagnostics,
                                std::vector<ShownDiagnostic>* shown = nullptr);

// Throws Refusal when two of the compiled files written into `folder` would
// be one file: their names equal when ASCII case is ignored, as on a file
// system that ignores case (the cell file of the train "linea" is the line
// file). `line_file`: whether the line file is among them.
void check_distinct_outputs(const ScenarioNames& names, const std::filesystem::path& folder,
                            bool line_file);

// Writes a compilation's files into `folder`, each replacing any older one,
// in the program's order; returns their paths. Throws storage::FileError.
std::vector<std::filesystem::path> write_compiled_files(const compiler::Compilation& compilation,
                                                        const ScenarioNames& names,
                                                        const std::filesystem::path& folder);

}  // namespace borgo::tools
