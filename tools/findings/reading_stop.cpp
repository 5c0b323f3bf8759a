#include "tools/findings/reading_stop.hpp"

#include <algorithm>

#include "compiler/error_catalog.hpp"
#include "compiler/reader_support.hpp"

namespace borgo::tools {
namespace {

using compiler::Document;
using compiler::FieldLocation;
namespace format = compiler::format;
namespace e = compiler::error;

bool holds_row(const ScannedKey& key, const compiler::KeyWords& words) {
  return std::any_of(key.rows.begin(), key.rows.end(),
                     [&](const format::RowFormat* row) { return row->key == &words; });
}

// After error 15 in the line description, its train description is read up
// to its first signal or slow-down.
std::optional<ReadingStop> first_signal_or_slow_down(const ScannedDocument* train) {
  if (train == nullptr) return std::nullopt;
  for (const ScannedKey& key : train->keys) {
    if (holds_row(key, format::kSignalKey) || holds_row(key, format::kSlowDownKey)) {
      return ReadingStop{Document::kTrainDescription, key.at, e::kBeyondGrid};
    }
  }
  return std::nullopt;
}

// Error 15 in the train description after one in the line description keeps
// only the train's row: the line's is its first row past the grid.
std::optional<ReadingStop> first_line_row_past_grid(const compiler::RouteModel& model,
                                                    const ScannedDocument* line) {
  if (line == nullptr || !model.has_grid()) return std::nullopt;
  for (const ScannedKey& key : line->keys) {
    if (key.kind != ScannedKey::Kind::kRow || key.section != format::Section::kLineBody ||
        key.fields.empty() || key.fields.front().field->cell == format::CellRule::kNone) {
      continue;
    }
    if (compiler::detail::beyond_grid(model, key.fields.front().number, 100)) {
      return ReadingStop{Document::kLineDescription, key.at, e::kBeyondGrid};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<ReadingStop> reading_stopped_at(const compiler::CompileOutcome& outcome,
                                              const compiler::RouteModel& model, Document document,
                                              const ScannedDocument* line,
                                              const ScannedDocument* train) {
  const std::int32_t number = outcome.error_number;
  const auto& at = outcome.report.error_at;
  if (number == 0 || number == e::kProgressiveOffGrid || !at) return std::nullopt;
  if (at->document == document) return ReadingStop{document, at->key, number};
  if (document == Document::kTrainDescription) {
    if (number == e::kBeyondGrid) return first_signal_or_slow_down(train);
    return ReadingStop{Document::kLineDescription, at->key, number};
  }
  // The line description was read before the train's error.
  if (number == e::kBeyondGrid) return first_line_row_past_grid(model, line);
  return std::nullopt;
}

std::optional<ReadingStop> reading_stopped_at(const compiler::Compilation& compilation,
                                              Document document,
                                              const std::optional<std::string>& line,
                                              const std::optional<std::string>& train) {
  const bool builds_plan = compilation.model->write_line_file != 0;
  // Only an error 15 in the other description needs this one's rows.
  const auto& at = compilation.outcome.report.error_at;
  const bool needs_rows =
      compilation.outcome.error_number == e::kBeyondGrid && at && at->document != document;
  std::optional<ScannedDocument> scanned;
  const std::optional<std::string>& bytes = document == Document::kLineDescription ? line : train;
  if (bytes && needs_rows) {
    scanned =
        scan_description(*bytes, document, builds_plan || document != Document::kLineDescription);
  }
  const ScannedDocument* own = scanned ? &*scanned : nullptr;
  return reading_stopped_at(compilation.outcome, *compilation.model, document,
                            document == Document::kLineDescription ? own : nullptr,
                            document == Document::kTrainDescription ? own : nullptr);
}

bool was_read(const std::optional<ReadingStop>& stop, Document document, FieldLocation key) {
  if (!stop) return true;
  if (stop->document != document) return false;
  return stop->row >= key;
}

}  // namespace borgo::tools
