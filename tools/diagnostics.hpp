#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

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
// "FILE:LINE:COLUMN: error N: ...", each followed by its source line (a
// window around the field when the line is long) and a caret under the field
// at fault, then a fatal contest error as "error N: ..." with no line. Past
// ten warnings of one kind in one document, a note counts the rest; the
// counts returned include them. `model` is the model the compile filled.
DiagnosticCounts write_diagnostics(std::ostream& out, const compiler::CompileOutcome& outcome,
                                   const compiler::RouteModel& model, const SourceDocument& line,
                                   const SourceDocument& train);

// "1 error, 2 warnings".
std::string summary_line(const DiagnosticCounts& counts);

// Where each line of a document begins, found in one pass so that quoting
// many lines costs no more than reading the document once. Lines end at
// CR LF, a lone LF or a lone CR, as the field reader counts them.
class LineIndex {
 public:
  explicit LineIndex(std::string_view bytes);

  // Line `number` (1-based), without its line end; none past the last line.
  std::optional<std::string_view> line(std::int64_t number) const;

 private:
  std::string_view bytes_;
  std::vector<std::size_t> starts_;  // the first byte of each line
};

}  // namespace borgo::tools
