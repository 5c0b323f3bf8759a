#include "tools/findings/compile_findings.hpp"

#include <algorithm>

#include "compiler/error_catalog.hpp"
#include "compiler/numeric.hpp"
#include "compiler/placement.hpp"
#include "compiler/record_roles.hpp"
#include "tools/shared/cell_kinds.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

using compiler::CompileWarning;
using compiler::FieldLocation;
using compiler::SourceSpot;
namespace format = compiler::format;

// Which field of a row a finding is aimed at.
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

// A longer message keeps only its two ends: a row of thousands of fields must
// not be echoed whole by each of its findings.
constexpr std::size_t kLongestWholeMessage = 400;
constexpr std::size_t kMessageEnd = 160;  // the bytes kept at each end of a longer message

std::string clipped(std::string text) {
  if (text.size() <= kLongestWholeMessage) return text;
  const std::size_t left_out = text.size() - 2 * kMessageEnd;
  return text.substr(0, kMessageEnd) + "[... " + std::to_string(left_out) + " characters ...]" +
         text.substr(text.size() - kMessageEnd);
}

// The message led by the name of the field it is aimed at, as the format
// names it: field "posizione" (metres): ...
std::string at_field(FieldNamer& names, const SourceSpot& spot, FieldLocation at,
                     const std::string& message) {
  const std::string field = names.name(spot, at);
  return field.empty() ? message : field + ": " + message;
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

const ScannedField* field_named(const ScannedKey& key, const format::RowFormat& row,
                                std::string_view name) {
  for (const ScannedField& value : key.fields) {
    if (value.row == &row && value.field->name == name) return &value;
  }
  return nullptr;
}

// Whether the row `row` of `key` puts a feature of `kind` into `cell`, as
// placement does. Station stop marks are found by their item instead.
bool places(const ScannedKey& key, const format::RowFormat& row, std::int32_t cell,
            std::uint8_t kind) {
  const ScannedField* position = field_named(key, row, "posizione");
  if (position == nullptr) return false;
  const std::int64_t p = position->number;
  const auto at = [&](std::int32_t c, std::uint8_t k) { return c == cell && k == kind; };
  const std::optional<std::int32_t> own = format::cell_of(position->field->cell, p);
  if (row.key == &format::kSignalKey) return own && at(*own, compiler::kSignal);
  if (row.key == &format::kIndicatorKey) return own && at(*own, compiler::kSpeedIndicators);
  if (row.key == &format::kSignKey) return own && at(*own, compiler::kSign);
  if (row.key == &format::kCodePointKey) {
    return own && (at(*own, compiler::kCodePoint) || at(*own, compiler::kCodePointNoValue));
  }
  if (row.key != &format::kSlowDownKey) return false;
  const ScannedField* length = field_named(key, row, "l");
  const ScannedField* countdown = field_named(key, row, "f_ta");
  if (own && at(*own, compiler::kSlowDownStart)) return true;
  if (length != nullptr && at(compiler::cell_index(p + length->number), compiler::kSlowDownEnd)) {
    return true;
  }
  if (p <= compiler::kBoardThreshold) return false;
  if (at(compiler::cell_index(p - compiler::kBoardDistance), compiler::kWarningBoard)) return true;
  if (countdown == nullptr || countdown->number == 0) return false;
  const std::int32_t a = compiler::rnd(static_cast<double>(p - compiler::kBoardDistance) / 50.0);
  for (int i = 0; i < 4; ++i) {
    if (at(a - i, compiler::kBeforeBoard)) return true;
  }
  return false;
}

CellHolder holder(const ScannedDocument& scanned, const ScannedKey& key,
                  const format::RowFormat& row) {
  const ScannedField* position = field_named(key, row, "posizione");
  return {scanned.document, key.at, position != nullptr ? position->at : key.at, row.name};
}

}  // namespace

std::size_t field_end(std::string_view line, std::size_t at) {
  std::size_t end = line.find(',', at);
  if (end == std::string_view::npos) end = line.size();
  while (end > at + 1 && line[end - 1] == ' ') --end;
  return std::max(end, at + 1);
}

FindingMaker::FindingMaker(const compiler::CompileOutcome& outcome,
                           const compiler::RouteModel& model,
                           const std::optional<std::string>& line,
                           const std::optional<std::string>& train)
    : outcome_(outcome),
      model_(model),
      train_(train),
      names_(line, train, model.write_line_file != 0) {}

Finding FindingMaker::warning(std::size_t i) {
  const CompileWarning& warning = outcome_.report.warnings[i];
  Finding finding;
  finding.severity = Finding::Severity::kWarning;
  finding.warning = warning.kind;
  const std::string text = utf8_from_1252(clipped(warning.detail));
  if (!warning.where) {
    finding.message = text;
    return finding;
  }
  const FieldLocation at = aimed(*warning.where, aim_of_warning(warning.kind));
  finding.document = warning.where->document;
  finding.at = at;
  finding.message = at_field(names_, *warning.where, at, text);
  return finding;
}

std::optional<Finding> FindingMaker::error() {
  const std::int32_t number = outcome_.error_number;
  if (number == 0) return std::nullopt;
  const compiler::CompileReport& report = outcome_.report;
  Finding finding;
  finding.number = number;
  std::string detail = report.error_detail;
  namespace e = compiler::error;
  const bool train_missing = !train_ && number == e::kRuntimeFailure && !report.error_at;
  if (train_missing) detail = "the train description does not exist";
  const std::string text = utf8_from_1252(clipped(error_message(number, detail, report)));
  finding.message = text;
  if (report.error_at) {
    const FieldLocation at = aimed(*report.error_at, aim_of_error(number));
    finding.document = report.error_at->document;
    finding.at = at;
    finding.message = at_field(names_, *report.error_at, at, text);
  } else if (train_missing) {
    finding.document = compiler::Document::kTrainDescription;
  } else if (number == e::kLineDescriptionMissing || number == e::kNoGeneralSection ||
             number == e::kProgressiveOffGrid) {
    finding.document = compiler::Document::kLineDescription;
  }
  if (report.conflict && is_cell_conflict(number)) {
    finding.cell = report.conflict->cell;
    finding.holder = holder_of(report.conflict->cell, report.conflict->held_kind);
  }
  return finding;
}

std::optional<Finding> FindingMaker::fatal() {
  if (outcome_.fatal == 0) return std::nullopt;
  Finding finding;
  finding.number = outcome_.fatal;
  std::string text = error_message(outcome_.fatal, "", outcome_.report);
  constexpr std::size_t kCell = compiler::kContestCell;
  if (model_.cells.size() > kCell && model_.cells[kCell].kind != compiler::kEmpty) {
    text += ": " + cell_range(kCell) + " holds a " + kind_name(model_.cells[kCell].kind);
    finding.cell = static_cast<std::int32_t>(kCell);
    finding.holder = holder_of(static_cast<std::int32_t>(kCell), model_.cells[kCell].kind);
  }
  finding.message = std::move(text);
  return finding;
}

// The first row in reading order that places such a feature there: a cell
// keeps the first feature placed on it.
std::optional<CellHolder> FindingMaker::holder_of(std::int32_t cell, std::uint8_t kind) {
  if (kind == compiler::kStationStop) {
    const ScannedDocument* train = names_.scanned(compiler::Document::kTrainDescription);
    if (train == nullptr || cell < 0 || static_cast<std::size_t>(cell) >= model_.cells.size()) {
      return std::nullopt;
    }
    // Stations take items 1, 2, ... in the order of their rows.
    const std::int32_t item =
        compiler::stop_station_item(model_.cells[static_cast<std::size_t>(cell)]);
    std::int32_t s = compiler::kFirstStationSlot;
    for (const ScannedKey& key : train->keys) {
      for (const format::RowFormat* row : key.rows) {
        if (row->key != &format::kStationKey) continue;
        if (s++ == item) return holder(*train, key, *row);
      }
    }
    return std::nullopt;
  }
  for (const compiler::Document document :
       {compiler::Document::kLineDescription, compiler::Document::kTrainDescription}) {
    const ScannedDocument* scanned = names_.scanned(document);
    if (scanned == nullptr) continue;
    for (const ScannedKey& key : scanned->keys) {
      for (const format::RowFormat* row : key.rows) {
        if (places(key, *row, cell, kind)) return holder(*scanned, key, *row);
      }
    }
  }
  return std::nullopt;
}

}  // namespace borgo::tools
