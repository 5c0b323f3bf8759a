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
                   std::size_t length, std::string_view label, std::string_view message,
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
  const EchoedLine echoed = echoed_line(shown.text, shown.at, length);
  const std::string source = std::string(shown.cut_before ? kCutMark : "") +
                             utf8_from_1252(echoed.source) +
                             std::string(shown.cut_after ? kCutMark : "");
  const std::string caret =
      std::string(shown.cut_before ? kCutMark.size() : 0, ' ') + utf8_from_1252(echoed.caret);
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

// Follows the last warning shown of its group.
std::string more_note(const std::string* path, std::size_t more) {
  return std::to_string(more) + " more " + (more == 1 ? "warning" : "warnings") + " of this kind" +
         (path != nullptr ? " in this document " : " ") + (more == 1 ? "is" : "are") + " not shown";
}

}  // namespace

EchoedLine echoed_line(std::string_view line, std::size_t at, std::size_t length) {
  at = std::min(at, line.size());
  const std::size_t end =
      length > 0 ? std::max(at + 1, std::min(at + length, line.size())) : field_end(line, at);
  EchoedLine out;
  std::size_t column = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    const char c = i < line.size() ? line[i] : ' ';
    const std::size_t width = c == '\t' ? kTabStop - column % kTabStop : 1;
    if (i < line.size()) out.source.append(width, c == '\t' ? ' ' : c);
    if (i < at) {
      out.caret.append(width, ' ');
    } else if (i < end) {
      out.caret.append(width, i == at ? '^' : '~');
      if (i == at && width > 1)
        out.caret.replace(out.caret.size() - width + 1, width - 1, width - 1, '~');
    }
    column += width;
  }
  return out;
}

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
  const auto group_of = [&findings](std::size_t i) {
    constexpr int kNoDocument = -1;
    const std::optional<compiler::Document> document = findings.warning_document(i);
    return WarningGroup{document ? static_cast<int>(*document) : kNoDocument,
                        findings.warning_kind(i)};
  };
  std::map<WarningGroup, std::size_t> in_group;
  for (std::size_t i = 0; i < findings.warning_count(); ++i) ++in_group[group_of(i)];
  std::map<WarningGroup, std::size_t> shown;
  for (std::size_t i = 0; i < findings.warning_count(); ++i) {
    ++counts.warnings;
    const WarningGroup group = group_of(i);
    if (++shown[group] > kShownPerGroup) continue;
    const Finding warning = findings.warning(i);
    ShownDiagnostic* p =
        parts(ShownDiagnostic::Severity::kWarning, 0, warning.message, warning.row);
    const std::string* path = nullptr;
    if (warning.document) {
      QuotedDocument& document = document_of(*warning.document, quoted_line, quoted_train);
      path = &document.path();
      write_located(out, document, *warning.at, warning.length, "warning", warning.message, p);
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
                    error->length, label, error->message, p);
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
  for (const IgnoredRowPlace& ignored : findings.ignored_rows()) {
    const QuotedDocument& document = document_of(ignored.document, quoted_line, quoted_train);
    counts.ignored_rows.push_back(document.path() + ":" + std::to_string(ignored.at.line) + ": \"" +
                                  ignored.key + "\"");
  }
  return counts;
}

std::string summary_line(const DiagnosticCounts& counts) {
  const auto count = [](int n, std::string_view word) {
    return std::to_string(n) + " " + std::string(word) + (n == 1 ? "" : "s");
  };
  std::string line = count(counts.errors, "error") + ", " + count(counts.warnings, "warning");
  if (!counts.ignored_rows.empty()) {
    line += ", " + count(static_cast<int>(counts.ignored_rows.size()), "ignored row");
  }
  return line;
}

}  // namespace borgo::tools
