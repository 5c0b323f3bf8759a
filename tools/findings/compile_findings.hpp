#pragma once

// What a compile found, one finding per warning and error: the document and
// the field it is aimed at, and its message led by the field's name as the
// format names it. The tool's diagnostics write findings for a terminal; the
// language server publishes them on the editor's documents.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/compile.hpp"
#include "compiler/route_model.hpp"
#include "tools/findings/source_scan.hpp"

namespace borgo::tools {

// A row whose feature holds a cell: where its key and its position field
// stand.
struct CellHolder {
  compiler::Document document = compiler::Document::kLineDescription;
  compiler::FieldLocation key;
  compiler::FieldLocation position;
  std::string_view row;  // the row's name in the format: "indicatori_vmax"
};

struct Finding {
  enum class Severity : std::uint8_t { kError, kWarning };
  Severity severity = Severity::kError;
  std::int32_t number = 0;  // the error number; 0 for a warning
  std::optional<compiler::CompileWarning::Kind> warning;
  // The document it belongs to (none: the compile as a whole, as for a fatal
  // contest error) and the field at fault (none: the document as a whole).
  std::optional<compiler::Document> document;
  std::optional<compiler::FieldLocation> at;
  std::string message;  // UTF-8
  // A cell conflict or a fatal contest error: the cell, and the row holding it
  // when one of the documents' rows does.
  std::optional<std::int32_t> cell;
  std::optional<CellHolder> holder;
};

// Makes the findings of one compile, each only when asked for, so that a
// report showing a few of many thousand warnings words only those. `line` and
// `train` are the documents' bytes as compiled; they and the compile's
// results must outlive the maker.
class FindingMaker {
 public:
  FindingMaker(const compiler::CompileOutcome& outcome, const compiler::RouteModel& model,
               const std::optional<std::string>& line, const std::optional<std::string>& train);

  std::size_t warning_count() const { return outcome_.report.warnings.size(); }
  // The finding of report.warnings[i].
  Finding warning(std::size_t i);
  // The recorded error, and the fatal contest error, when there is one.
  std::optional<Finding> error();
  std::optional<Finding> fatal();

 private:
  std::optional<CellHolder> holder_of(std::int32_t cell, std::uint8_t kind);

  const compiler::CompileOutcome& outcome_;
  const compiler::RouteModel& model_;
  const std::optional<std::string>& train_;
  FieldNamer names_;
};

// Where the field that begins at byte `at` of a source line ends: at its
// comma or the line's end, less trailing blanks, and never before at + 1
// while the line goes on.
std::size_t field_end(std::string_view line, std::size_t at);

}  // namespace borgo::tools
