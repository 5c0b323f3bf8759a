#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/compile.hpp"
#include "tools/diagnostics.hpp"

namespace borgo::tools {

// The scenario the package program carries, as `emit` writes it.
inline constexpr std::string_view kEmbeddedLine = "Borgo_Mar";
inline constexpr std::string_view kEmbeddedTrain = "TX 903";

struct CompileRequest {
  std::filesystem::path folder;  // holds the two descriptions
  std::string line_name;
  std::string train_name;
  bool line_file = true;  // j = 1; false: j = 0, no line file
};

struct CompileResult {
  compiler::Compilation compilation;
  DiagnosticCounts counts;

  const compiler::CompileOutcome& outcome() const { return compilation.outcome; }
};

// Compiles the descriptions in request.folder exactly as the program does,
// from their bytes, so that the author's documents stay as they are; writes
// the diagnostics, naming the author's files, to `diagnostics`. Throws
// storage::FileError when a document exists but cannot be read.
CompileResult compile_scenario(const CompileRequest& request, std::ostream& diagnostics);

// Writes a compilation's files into `folder`, each replacing any older one,
// in the program's order; returns their paths. Throws storage::FileError.
std::vector<std::filesystem::path> write_compiled_files(const compiler::Compilation& compilation,
                                                        const std::filesystem::path& folder);

// A scenario name must be usable inside a file name.
void check_scenario_name(std::string_view option, const std::string& name);

}  // namespace borgo::tools
