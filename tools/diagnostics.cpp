#include "tools/diagnostics.hpp"

#include <algorithm>
#include <iomanip>

#include "compiler/error_catalog.hpp"
#include "compiler/record_roles.hpp"
#include "tools/cell_kinds.hpp"
#include "tools/description_scan.hpp"
#include "tools/text_encoding.hpp"

namespace borgo::tools {
namespace {

using compiler::CompileWarning;
using compiler::FieldLocation;
using compiler::SourceSpot;

// Which field of a row a caret points at.
enum class Aim { kKey, kValue, kLastField };

Aim aim_of_error(std::int32_t number) {
  namespace e = compiler::error;
  switch (number) {
    case e::kRepetitionCodeCount:
    case e::kStationsMeetSigns:
    case e::kTooManySigns:
    case e::kTooManyMountainRanges:
    case e::kStationsTooClose:
    case e::kStationZoneTooEarly:
    case e::kNoGeneralSection:
    case e::kCurve:
      return Aim::kKey;  // the row as a whole, or the key itself, is at fault
    case e::kRepetitionEndOffGrid:
    case e::kStationZoneLength:
    case e::kRuntimeFailure:
      return Aim::kLastField;  // the value read last
    default:
      return Aim::kValue;  // the row's position
  }
}

Aim aim_of_warning(CompileWarning::Kind kind) {
  switch (kind) {
    case CompileWarning::Kind::kUnknownKey:
    case CompileWarning::Kind::kDecimalComma:
    case CompileWarning::Kind::kLastRowLost:
      return Aim::kKey;
    default:
      return Aim::kValue;
  }
}

bool is_set(const FieldLocation& at) { return at.line > 0 && at.column > 0; }

FieldLocation aimed(const SourceSpot& spot, Aim aim) {
  const FieldLocation first = aim == Aim::kKey         ? spot.key
                              : aim == Aim::kLastField ? spot.field
                                                       : spot.value;
  for (const FieldLocation& at : {first, spot.key, spot.field}) {
    if (is_set(at)) return at;
  }
  return {1, 1};
}

bool is_cell_conflict(std::int32_t number) {
  namespace e = compiler::error;
  return number == e::kSignCellTaken || number == e::kCodePointCellTaken ||
         (number >= e::kSignalCellTaken && number <= e::kIndicatorCellTaken);
}

// The caret line: blanks (tabs kept) up to the field, "^", then "~" under the
// rest of the field up to its comma.
std::string caret_under(std::string_view line, int column) {
  const std::size_t at = std::min(static_cast<std::size_t>(column - 1), line.size());
  std::string out;
  for (std::size_t i = 0; i < at; ++i) out += line[i] == '\t' ? '\t' : ' ';
  out += '^';
  std::size_t end = line.find(',', at);
  if (end == std::string_view::npos) end = line.size();
  while (end > at + 1 && line[end - 1] == ' ') --end;
  if (end > at + 1) out.append(end - at - 1, '~');
  return out;
}

void write_located(std::ostream& out, const SourceDocument& document, FieldLocation at,
                   std::string_view label, std::string_view message) {
  out << document.shown_path << ':' << at.line << ':' << at.column << ": " << label << ": "
      << message << '\n';
  if (!document.bytes) return;
  const std::optional<std::string_view> line = source_line(*document.bytes, at.line);
  if (!line) return;
  out << std::setw(6) << at.line << " | " << utf8_from_1252(*line) << '\n';
  out << "       | " << utf8_from_1252(caret_under(*line, at.column)) << '\n';
}

// The message of a diagnostic, led by the name of the field its caret points
// at, as the format names it: field "posizione" (metres): ...
std::string at_field(FieldNamer& names, const SourceSpot& spot, FieldLocation at,
                     const std::string& message) {
  const std::string field = names.name(spot, at);
  return field.empty() ? message : field + ": " + message;
}

const SourceDocument& document_of(const SourceSpot& spot, const SourceDocument& line,
                                  const SourceDocument& train) {
  return spot.document == compiler::Document::kLineDescription ? line : train;
}

std::string error_message(std::int32_t number, std::string detail,
                          const compiler::CompileReport& report) {
  const compiler::ErrorInfo* info = compiler::find_error(number);
  std::string text = info != nullptr ? std::string(info->message) : "an error the catalog lacks";
  if (!detail.empty()) text += ": " + detail;
  if (report.conflict && is_cell_conflict(number)) {
    text += ", in " + cell_range(report.conflict->cell) + ", held by a " +
            kind_name(report.conflict->held_kind);
  }
  return text;
}

}  // namespace

std::optional<std::string_view> source_line(std::string_view bytes, int number) {
  std::size_t start = 0;
  for (int line = 1; start <= bytes.size(); ++line) {
    std::size_t end = start;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    if (line == number) return bytes.substr(start, end - start);
    if (end == bytes.size()) break;
    start = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
  }
  return std::nullopt;
}

DiagnosticCounts write_diagnostics(std::ostream& out, const compiler::CompileOutcome& outcome,
                                   const compiler::RouteModel& model, const SourceDocument& line,
                                   const SourceDocument& train) {
  DiagnosticCounts counts;
  FieldNamer names(line.bytes, train.bytes, model.write_line_file != 0);
  const compiler::CompileReport& report = outcome.report;
  for (const CompileWarning& warning : report.warnings) {
    ++counts.warnings;
    const std::string text = utf8_from_1252(warning.detail);
    if (warning.where) {
      const FieldLocation at = aimed(*warning.where, aim_of_warning(warning.kind));
      write_located(out, document_of(*warning.where, line, train), at, "warning",
                    at_field(names, *warning.where, at, text));
    } else {
      out << "warning: " << text << '\n';
    }
  }

  if (const std::int32_t number = outcome.error_number; number != 0) {
    ++counts.errors;
    std::string detail = report.error_detail;
    namespace e = compiler::error;
    const bool train_missing = !train.bytes && number == e::kRuntimeFailure && !report.error_at;
    if (train_missing) detail = "the train description does not exist";
    const std::string label = "error " + std::to_string(number);
    const std::string text = utf8_from_1252(error_message(number, detail, report));
    if (report.error_at) {
      const FieldLocation at = aimed(*report.error_at, aim_of_error(number));
      write_located(out, document_of(*report.error_at, line, train), at, label,
                    at_field(names, *report.error_at, at, text));
    } else if (train_missing) {
      out << train.shown_path << ": " << label << ": " << text << '\n';
    } else if (number == e::kLineDescriptionMissing || number == e::kNoGeneralSection ||
               number == e::kProgressiveOffGrid) {
      out << line.shown_path << ": " << label << ": " << text << '\n';
    } else {
      out << label << ": " << text << '\n';
    }
  }

  if (outcome.fatal != 0) {
    ++counts.errors;
    std::string text = error_message(outcome.fatal, "", report);
    constexpr std::size_t kCell = compiler::kContestCell;
    if (model.cells.size() > kCell && model.cells[kCell].kind != compiler::kEmpty) {
      text += ": " + cell_range(kCell) + " holds a " + kind_name(model.cells[kCell].kind);
    }
    out << "error " << outcome.fatal << ": " << text << '\n';
  }
  return counts;
}

std::string summary_line(const DiagnosticCounts& counts) {
  const auto count = [](int n, std::string_view word) {
    return std::to_string(n) + " " + std::string(word) + (n == 1 ? "" : "s");
  };
  return count(counts.errors, "error") + ", " + count(counts.warnings, "warning");
}

}  // namespace borgo::tools
