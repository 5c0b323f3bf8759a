#pragma once

// What a compile found, one finding per warning and error: the document and
// the field it is aimed at, and its message led by the field's name as the
// format names it. The tool's diagnostics write findings for a terminal; the
// language server publishes them on the editor's documents.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile.hpp"
#include "compiler/route_model.hpp"
#include "tools/findings/skipped_fields.hpp"
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

// Another row a finding names: the station before one out of route order.
struct RelatedRow {
  compiler::Document document = compiler::Document::kLineDescription;
  compiler::FieldLocation at;  // its key
  std::string says;            // what it is to the finding, UTF-8
};

// An ignored row, as `pack` names it.
struct IgnoredRowPlace {
  compiler::Document document = compiler::Document::kLineDescription;
  compiler::FieldLocation at;
  std::string key;  // UTF-8
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
  // The bytes it underlines from `at`; 0: the field, up to its comma.
  std::size_t length = 0;
  std::string message;  // UTF-8
  // The row it is about, as the compile names rows: by the document and the
  // key; none for the compile as a whole.
  std::optional<compiler::SourceSpot> row;
  // A cell conflict or a fatal contest error: the cell, and the row holding it
  // when one of the documents' rows does.
  std::optional<std::int32_t> cell;
  std::optional<CellHolder> holder;
  std::optional<RelatedRow> related;
};

// Makes the findings of one compile, each only when asked for, so that a
// report showing a few of many thousand warnings words only those. The
// warnings are the author's: the compile's, with the fields of a row whose
// key matched nothing told as one ignored row, and the line rows past the
// line's end. `line` and `train` are the documents' bytes as compiled; they
// and the compile's results must outlive the maker.
class FindingMaker {
 public:
  FindingMaker(const compiler::CompileOutcome& outcome, const compiler::RouteModel& model,
               const std::optional<std::string>& line, const std::optional<std::string>& train);
  ~FindingMaker();
  FindingMaker(const FindingMaker&) = delete;
  FindingMaker& operator=(const FindingMaker&) = delete;

  std::size_t warning_count() const { return warnings_.size(); }
  // What warning i is and where, without wording it.
  compiler::CompileWarning::Kind warning_kind(std::size_t i) const { return warnings_[i].kind; }
  std::optional<compiler::Document> warning_document(std::size_t i) const {
    return warnings_[i].document;
  }
  // The finding of warning i.
  Finding warning(std::size_t i);
  // The recorded error, and the fatal contest error, when there is one.
  std::optional<Finding> error();
  std::optional<Finding> fatal();

  // The rows the compile skipped whole, in order.
  std::vector<IgnoredRowPlace> ignored_rows();

 private:
  // A warning as the author is told it, and where its words come from.
  struct Warning {
    enum class From : std::uint8_t {
      kCompile,      // report.warnings[index]
      kRun,          // the skipped run `index` of its document
      kPastLineEnd,  // the line description's scanned key `index`
    };
    compiler::CompileWarning::Kind kind;
    std::optional<compiler::Document> document;
    From from = From::kCompile;
    std::size_t index = 0;
  };
  struct Skipped;
  const SkippedFields* skipped(compiler::Document document);
  void add_compile_warnings();
  void add_past_line_end();
  Finding run_warning(const Warning& warning);
  Finding past_line_end_warning(const Warning& warning);
  Finding utf8_warning(const compiler::CompileWarning& warning, Finding finding);
  std::string error_more(std::int32_t number, std::optional<RelatedRow>& related);
  std::string stations_out_of_order(std::optional<RelatedRow>& related);
  std::string row_ends_too_soon();
  std::string length_read_as();
  std::optional<CellHolder> holder_of(std::int32_t cell, std::uint8_t kind);

  const compiler::CompileOutcome& outcome_;
  const compiler::RouteModel& model_;
  const std::optional<std::string>& line_;
  const std::optional<std::string>& train_;
  FieldNamer names_;
  std::unique_ptr<Skipped> skipped_;
  std::vector<Warning> warnings_;
};

// A number the compile took for decimals, at `key` of `scanned` (whose bytes
// are `bytes`), when it is the last value of the row before it, pushed out
// by an empty field ("2800,,   2"): the words that name that row and the
// empty field's column. nullopt when the row before has no empty field.
std::optional<std::string> left_over_from_empty_field(const ScannedDocument& scanned,
                                                      std::string_view bytes,
                                                      compiler::FieldLocation key);

// Where the field that begins at byte `at` of a source line ends: at its
// comma or the line's end, less trailing blanks, and never before at + 1
// while the line goes on.
std::size_t field_end(std::string_view line, std::size_t at);

}  // namespace borgo::tools
