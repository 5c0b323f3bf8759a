#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "compiler/compile.hpp"
#include "compiler/route_model.hpp"

namespace borgo::tools {

// One description as the author has it: the name to show and its bytes
// (none when the document does not exist).
struct SourceDocument {
  std::string shown_path;
  std::optional<std::string> bytes;
};

struct DiagnosticCounts {
  int errors = 0;
  int warnings = 0;
};

// Writes what a compile found, against the author's documents: each warning
// as "FILE:LINE:COLUMN: warning: ...", the recorded error as
// "FILE:LINE:COLUMN: error N: ...", each followed by its source line and a
// caret under the field at fault, then a fatal contest error as
// "error N: ..." with no line. `model` is the model the compile filled.
DiagnosticCounts write_diagnostics(std::ostream& out, const compiler::CompileOutcome& outcome,
                                   const compiler::RouteModel& model, const SourceDocument& line,
                                   const SourceDocument& train);

// "1 error, 2 warnings".
std::string summary_line(const DiagnosticCounts& counts);

// Line `number` (1-based) of a document, without its line end; lines end at
// CR LF, a lone LF or a lone CR, as the field reader counts them.
std::optional<std::string_view> source_line(std::string_view bytes, int number);

}  // namespace borgo::tools
