#include "tools/findings/diagnostics.hpp"

#include <algorithm>
#include <iomanip>
#include <map>
#include <utility>

#include "tools/findings/compile_findings.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

using compiler::CompileWarning;
using compiler::FieldLocation;

// A source line longer than this is shown as a window around the field at
// fault: a row of thousands of fields must not be echoed whole by each of its
// diagnostics.
constexpr std::size_t kLongestWholeLine = 200;
constexpr std::size_t kWindowWidth = 160;
constexpr std::size_t kWindowLead = 60;  // of the window, the bytes before the field
constexpr std::string_view kCutMark = "...";

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
  out.append(field_end(line, at) - at - 1, '~');
  return out;
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

QuotedDocument& document_of(compiler::Document document, QuotedDocument& line,
                            QuotedDocument& train) {
  return document == compiler::Document::kLineDescription ? line : train;
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
                                   const std::string& message,
                                   std::optional<compiler::SourceSpot> row) -> ShownDiagnostic* {
    if (shown_parts == nullptr) return nullptr;
    ShownDiagnostic& shown = shown_parts->emplace_back();
    shown.severity = severity;
    shown.number = number;
    shown.message = message;
    shown.row = std::move(row);
    return &shown;
  };
  DiagnosticCounts counts;
  FindingMaker findings(outcome, model, line.bytes, train.bytes);
  const compiler::CompileReport& report = outcome.report;
  QuotedDocument quoted_line(line);
  QuotedDocument quoted_train(train);
  std::map<WarningGroup, std::size_t> in_group;
  for (const CompileWarning& warning : report.warnings) ++in_group[group_of(warning)];
  std::map<WarningGroup, std::size_t> shown;
  for (std::size_t i = 0; i < report.warnings.size(); ++i) {
    ++counts.warnings;
    const WarningGroup group = group_of(report.warnings[i]);
    if (++shown[group] > kShownPerGroup) continue;
    const Finding warning = findings.warning(i);
    ShownDiagnostic* p =
        parts(ShownDiagnostic::Severity::kWarning, 0, warning.message, report.warnings[i].where);
    const std::string* path = nullptr;
    if (warning.document) {
      QuotedDocument& document = document_of(*warning.document, quoted_line, quoted_train);
      path = &document.path();
      write_located(out, document, *warning.at, "warning", warning.message, p);
    } else {
      out << "warning: " << warning.message << '\n';
    }
    if (shown[group] == kShownPerGroup && in_group[group] > kShownPerGroup) {
      const std::string note = more_note(path, in_group[group] - kShownPerGroup);
      out << (path != nullptr ? *path + ": " : std::string()) << "note: " << note << '\n';
      if (ShownDiagnostic* n = parts(ShownDiagnostic::Severity::kNote, 0, note, std::nullopt)) {
        if (path != nullptr) n->path = *path;
      }
    }
  }

  if (const std::optional<Finding> error = findings.error()) {
    ++counts.errors;
    const std::string label = "error " + std::to_string(error->number);
    ShownDiagnostic* p =
        parts(ShownDiagnostic::Severity::kError, error->number, error->message, report.error_at);
    if (error->document && error->at) {
      write_located(out, document_of(*error->document, quoted_line, quoted_train), *error->at,
                    label, error->message, p);
    } else if (error->document) {
      const SourceDocument& document =
          *error->document == compiler::Document::kLineDescription ? line : train;
      out << document.shown_path << ": " << label << ": " << error->message << '\n';
      if (p != nullptr) p->path = document.shown_path;
    } else {
      out << label << ": " << error->message << '\n';
    }
  }

  if (const std::optional<Finding> fatal = findings.fatal()) {
    ++counts.errors;
    out << "error " << fatal->number << ": " << fatal->message << '\n';
    parts(ShownDiagnostic::Severity::kError, fatal->number, fatal->message, std::nullopt);
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
