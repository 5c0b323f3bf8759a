#include "tools/diagnostics.hpp"

#include <algorithm>
#include <iomanip>
#include <map>
#include <utility>

#include "compiler/error_catalog.hpp"
#include "compiler/record_roles.hpp"
#include "tools/cell_kinds.hpp"
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

// A source line longer than this is shown as a window around the field at
// fault, and a longer message keeps only its two ends: a row of thousands of
// fields must not be echoed whole by each of its diagnostics.
constexpr std::size_t kLongestWholeLine = 200;
constexpr std::size_t kWindowWidth = 160;
constexpr std::size_t kWindowLead = 60;  // of the window, the bytes before the field
constexpr std::string_view kCutMark = "...";
constexpr std::size_t kLongestWholeMessage = 400;
constexpr std::size_t kMessageEnd = 160;  // the bytes kept at each end of a longer message

// The part of a source line a diagnostic shows.
struct ShownLine {
  std::string_view text;
  std::size_t at = 0;  // where the field begins in `text`
  bool cut_before = false;
  bool cut_after = false;
};

ShownLine shown_part(std::string_view line, int column) {
  const std::size_t at = std::min(static_cast<std::size_t>(column - 1), line.size());
  if (line.size() <= kLongestWholeLine) return {line, at};
  const std::size_t from = std::min(at - std::min(at, kWindowLead), line.size() - kWindowWidth);
  return {line.substr(from, kWindowWidth), at - from, from > 0, from + kWindowWidth < line.size()};
}

// The caret line: blanks (tabs kept) up to the field, "^", then "~" under the
// rest of the field up to its comma.
std::string caret_under(std::string_view line, std::size_t at) {
  std::string out;
  for (std::size_t i = 0; i < at; ++i) out += line[i] == '\t' ? '\t' : ' ';
  out += '^';
  std::size_t end = line.find(',', at);
  if (end == std::string_view::npos) end = line.size();
  while (end > at + 1 && line[end - 1] == ' ') --end;
  if (end > at + 1) out.append(end - at - 1, '~');
  return out;
}

std::string clipped(std::string text) {
  if (text.size() <= kLongestWholeMessage) return text;
  const std::size_t left_out = text.size() - 2 * kMessageEnd;
  return text.substr(0, kMessageEnd) + "[... " + std::to_string(left_out) + " characters ...]" +
         text.substr(text.size() - kMessageEnd);
}

// A document as the diagnostics quote it: its lines are indexed the first
// time one is needed, once for all its diagnostics.
class QuotedDocument {
 public:
  explicit QuotedDocument(const SourceDocument& document) : document_(document) {}

  const std::string& path() const { return document_.shown_path; }

  std::optional<std::string_view> line(std::int32_t number) {
    if (!document_.bytes) return std::nullopt;
    if (!lines_) lines_.emplace(*document_.bytes);
    return lines_->line(number);
  }

 private:
  const SourceDocument& document_;
  std::optional<LineIndex> lines_;
};

void write_located(std::ostream& out, QuotedDocument& document, FieldLocation at,
                   std::string_view label, std::string_view message,
                   ShownDiagnostic* parts = nullptr) {
  out << document.path() << ':' << at.line << ':' << at.column << ": " << label << ": " << message
      << '\n';
  if (parts != nullptr) {
    parts->path = document.path();
    parts->at = at;
    parts->message = message;
  }
  const std::optional<std::string_view> line = document.line(at.line);
  if (!line) return;
  const ShownLine shown = shown_part(*line, at.column);
  const std::string source = std::string(shown.cut_before ? kCutMark : "") +
                             utf8_from_1252(shown.text) +
                             std::string(shown.cut_after ? kCutMark : "");
  const std::string caret = std::string(shown.cut_before ? kCutMark.size() : 0, ' ') +
                            utf8_from_1252(caret_under(shown.text, shown.at));
  out << std::setw(6) << at.line << " | " << source << '\n';
  out << "       | " << caret << '\n';
  if (parts != nullptr) {
    parts->source = source;
    parts->caret = caret;
  }
}

QuotedDocument& document_of(const SourceSpot& spot, QuotedDocument& line, QuotedDocument& train) {
  return spot.document == compiler::Document::kLineDescription ? line : train;
}

// The warnings of one kind in one document (or in none) are a group: past
// the first few of a group, a note counts the rest, so that a document of
// thousands of alike faults gives a report that can be read.
constexpr std::size_t kShownPerGroup = 10;
using WarningGroup = std::pair<int, CompileWarning::Kind>;

WarningGroup group_of(const CompileWarning& warning) {
  constexpr int kNoDocument = -1;
  return {warning.where ? static_cast<int>(warning.where->document) : kNoDocument, warning.kind};
}

// Follows the last warning shown of its group.
std::string more_note(const std::string* path, std::size_t more) {
  return std::to_string(more) + " more " + (more == 1 ? "warning" : "warnings") + " of this kind" +
         (path != nullptr ? " in this document " : " ") + (more == 1 ? "is" : "are") + " not shown";
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

LineIndex::LineIndex(std::string_view bytes) : bytes_(bytes) {
  starts_.push_back(0);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    if (bytes[i] == '\r' || bytes[i] == '\n') starts_.push_back(i + 1);
  }
}

std::optional<std::string_view> LineIndex::line(std::int64_t number) const {
  if (number < 1 || static_cast<std::uint64_t>(number) > starts_.size()) return std::nullopt;
  const auto n = static_cast<std::size_t>(number);
  const std::size_t start = starts_[n - 1];
  std::size_t end = bytes_.size();
  if (n < starts_.size()) {
    end = starts_[n] - 1;  // the line end's last byte
    if (bytes_[end] == '\n' && end > start && bytes_[end - 1] == '\r') --end;
  }
  return bytes_.substr(start, end - start);
}

DiagnosticCounts write_diagnostics(std::ostream& out, const compiler::CompileOutcome& outcome,
                                   const compiler::RouteModel& model, const SourceDocument& line,
                                   const SourceDocument& train,
                                   std::vector<ShownDiagnostic>* shown_parts) {
  // The parts of the next diagnostic, when they are wanted.
  const auto parts = [shown_parts](ShownDiagnostic::Severity severity, std::int32_t number,
                                   std::string message,
                                   std::optional<SourceSpot> row) -> ShownDiagnostic* {
    if (shown_parts == nullptr) return nullptr;
    ShownDiagnostic& shown = shown_parts->emplace_back();
    shown.severity = severity;
    shown.number = number;
    shown.message = std::move(message);
    shown.row = std::move(row);
    return &shown;
  };
  DiagnosticCounts counts;
  const compiler::CompileReport& report = outcome.report;
  QuotedDocument quoted_line(line);
  QuotedDocument quoted_train(train);
  std::map<WarningGroup, std::size_t> in_group;
  for (const CompileWarning& warning : report.warnings) ++in_group[group_of(warning)];
  std::map<WarningGroup, std::size_t> shown;
  for (const CompileWarning& warning : report.warnings) {
    ++counts.warnings;
    const WarningGroup group = group_of(warning);
    if (++shown[group] > kShownPerGroup) continue;
    const std::string text = utf8_from_1252(clipped(warning.detail));
    const std::string* path = nullptr;
    if (warning.where) {
      QuotedDocument& document = document_of(*warning.where, quoted_line, quoted_train);
      path = &document.path();
      write_located(out, document, aimed(*warning.where, aim_of_warning(warning.kind)), "warning",
                    text, parts(ShownDiagnostic::Severity::kWarning, 0, text, warning.where));
    } else {
      out << "warning: " << text << '\n';
      parts(ShownDiagnostic::Severity::kWarning, 0, text, std::nullopt);
    }
    if (shown[group] == kShownPerGroup && in_group[group] > kShownPerGroup) {
      const std::string note = more_note(path, in_group[group] - kShownPerGroup);
      out << (path != nullptr ? *path + ": " : std::string()) << "note: " << note << '\n';
      if (ShownDiagnostic* p = parts(ShownDiagnostic::Severity::kNote, 0, note, std::nullopt)) {
        if (path != nullptr) p->path = *path;
      }
    }
  }

  if (const std::int32_t number = outcome.error_number; number != 0) {
    ++counts.errors;
    std::string detail = report.error_detail;
    namespace e = compiler::error;
    const bool train_missing = !train.bytes && number == e::kRuntimeFailure && !report.error_at;
    if (train_missing) detail = "the train description does not exist";
    const std::string label = "error " + std::to_string(number);
    const std::string text = utf8_from_1252(clipped(error_message(number, detail, report)));
    ShownDiagnostic* p = parts(ShownDiagnostic::Severity::kError, number, text, report.error_at);
    if (report.error_at) {
      write_located(out, document_of(*report.error_at, quoted_line, quoted_train),
                    aimed(*report.error_at, aim_of_error(number)), label, text, p);
    } else if (train_missing) {
      out << train.shown_path << ": " << label << ": " << text << '\n';
      if (p != nullptr) p->path = train.shown_path;
    } else if (number == e::kLineDescriptionMissing || number == e::kNoGeneralSection ||
               number == e::kProgressiveOffGrid) {
      out << line.shown_path << ": " << label << ": " << text << '\n';
      if (p != nullptr) p->path = line.shown_path;
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
    parts(ShownDiagnostic::Severity::kError, outcome.fatal, text, std::nullopt);
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
