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

// One diagnostic as write_diagnostics writes it, in parts, for a reader
// other than a terminal (the preview page). Text is UTF-8.
struct ShownDiagnostic {
  enum class Severity { kWarning, kError, kNote };
  Severity severity = Severity::kWarning;
  std::int32_t number = 0;     // an error's number; 0 for a warning or a note
  std::string path;            // the document it is in; empty for none
  compiler::FieldLocation at;  // 0:0 when it points at no field
  std::string message;
  std::string source;                       // the source line, or its window; empty when not shown
  std::string caret;                        // the caret line under it
  std::optional<compiler::SourceSpot> row;  // the row it is about, when it has one
};

// Writes what a compile found, against the author's documents: each warning
// as "FILE:LINE:COLUMN: warning: ...", the recorded error as
// "FILE:LINE:COLUMN: error N: ...", each followed by its source line (a
// window around the field when the line is long) and a caret under the field
// at fault, then a fatal contest error as "error N: ..." with no line. Past
// ten warnings of one kind in one document, a note counts the rest; the
// counts returned include them. `model` is the model the compile filled.
// With `shown`, each diagnostic written is appended there too.
DiagnosticCounts write_diagnostics(std::ostream& out, const compiler::CompileOutcome& outcome,
                                   const compiler::RouteModel& model, const SourceDocument& line,
                                   const SourceDocument& train,
                                   std::vector<ShownDiagnostic>* shown = nullptr);

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
