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
  bool line_file = true;         // j = 1; false: j = 0, no line file
  std::filesystem::path output;  // where the compiled files go
};

struct CompileResult {
  compiler::CompileOutcome outcome;
  DiagnosticCounts counts;
  std::vector<std::filesystem::path> written;  // the compiled files, in the order written
};

// Compiles the descriptions in request.folder exactly as the program does,
// but on copies in a temporary folder, so that the author's documents stay as
// they are; writes the diagnostics to `diagnostics`. Throws FileError when a
// document cannot be read or a compiled file cannot be written.
CompileResult compile_scenario(const CompileRequest& request, std::ostream& diagnostics);

// A scenario name must be usable inside a file name.
void check_scenario_name(std::string_view option, const std::string& name);

}  // namespace borgo::tools
