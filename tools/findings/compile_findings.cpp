#include "tools/findings/compile_findings.hpp"

#include <algorithm>
#include <utility>

#include "compiler/error_catalog.hpp"
#include "compiler/numeric.hpp"
#include "compiler/placement.hpp"
#include "compiler/record_roles.hpp"
#include "tools/findings/diagnostics.hpp"
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

CompileWarning::Kind kind_of(const SkippedRun& run) {
  switch (run.kind) {
    case SkippedRun::Kind::kIgnoredRow:
      return CompileWarning::Kind::kIgnoredRow;
    case SkippedRun::Kind::kCutText:
      return CompileWarning::Kind::kCommaEndsText;
    case SkippedRun::Kind::kLoneKey:
      break;
  }
  return CompileWarning::Kind::kUnknownKey;
}

const ScannedField* value_named(const ScannedKey& key, std::string_view name) {
  for (const ScannedField& value : key.fields) {
    if (value.field->name == name) return &value;
  }
  return nullptr;
}

bool is_row(const ScannedKey& key, const compiler::KeyWords& words) {
  return std::any_of(key.rows.begin(), key.rows.end(),
                     [&](const format::RowFormat* row) { return row->key == &words; });
}

}  // namespace

std::optional<std::string> left_over_from_empty_field(const ScannedDocument& scanned,
                                                      std::string_view bytes, FieldLocation key) {
  const ScannedKey* left_over = scanned.key_at(key);
  if (left_over == nullptr || left_over == scanned.keys.data()) return std::nullopt;
  const ScannedKey& row = *(left_over - 1);
  if (row.kind != ScannedKey::Kind::kRow || row.rows.empty()) return std::nullopt;
  const LineIndex lines(bytes);
  for (std::int32_t number = row.at.line; number <= row.last_line(); ++number) {
    const std::optional<std::string_view> line = lines.line(number);
    if (!line) break;
    const std::size_t from =
        number == row.at.line ? static_cast<std::size_t>(row.at.column - 1) : 0;
    for (std::size_t comma = line->find(',', from); comma != std::string_view::npos;
         comma = line->find(',', comma + 1)) {
      const std::size_t next = line->find_first_not_of(' ', comma + 1);
      if (next == std::string_view::npos || (*line)[next] != ',') continue;
      return format::say(format::Said::kEmptyFieldShifts,
                         {{"key", utf8_from_1252(clipped(left_over->text))},
                          {"row", row.rows.front()->name},
                          {"row_line", std::to_string(number)},
                          {"column", std::to_string(comma + 2)}});
    }
  }
  return std::nullopt;
}

std::size_t field_end(std::string_view line, std::size_t at) {
  std::size_t end = line.find(',', at);
  if (end == std::string_view::npos) end = line.size();
  while (end > at + 1 && line[end - 1] == ' ') --end;
  return std::max(end, at + 1);
}

struct FindingMaker::Skipped {
  std::optional<SkippedFields> fields[2];
  std::vector<bool> told[2];  // by run: its first key was told as the run
};

FindingMaker::FindingMaker(const compiler::CompileOutcome& outcome,
                           const compiler::RouteModel& model,
                           const std::optional<std::string>& line,
                           const std::optional<std::string>& train)
    : outcome_(outcome),
      model_(model),
      line_(line),
      train_(train),
      names_(line, train, model.write_line_file != 0),
      skipped_(std::make_unique<Skipped>()) {
  add_compile_warnings();
  add_past_line_end();
}

FindingMaker::~FindingMaker() = default;

const SkippedFields* FindingMaker::skipped(compiler::Document document) {
  std::optional<SkippedFields>& slot = skipped_->fields[static_cast<std::size_t>(document)];
  if (!slot) {
    const ScannedDocument* scanned = names_.scanned(document);
    if (scanned == nullptr) return nullptr;
    slot.emplace(*scanned);
    skipped_->told[static_cast<std::size_t>(document)].assign(slot->runs().size(), false);
  }
  return &*slot;
}

// A key that matched nothing is told with the others of its run, once, at
// the run's first key. The compile takes digits after a text that followed a
// number's comma for decimals; a run knows them for the values they are.
void FindingMaker::add_compile_warnings() {
  const std::vector<CompileWarning>& warnings = outcome_.report.warnings;
  for (std::size_t i = 0; i < warnings.size(); ++i) {
    const CompileWarning& warning = warnings[i];
    std::optional<compiler::Document> document;
    if (warning.where) document = warning.where->document;
    if ((warning.kind == CompileWarning::Kind::kUnknownKey ||
         warning.kind == CompileWarning::Kind::kDecimalComma) &&
        document) {
      const SkippedFields* fields = skipped(*document);
      const ScannedDocument* scanned = names_.scanned(*document);
      const ScannedKey* key = scanned != nullptr ? scanned->key_at(warning.where->key) : nullptr;
      const SkippedRun* run =
          key != nullptr ? fields->run_of(static_cast<std::size_t>(key - scanned->keys.data()))
                         : nullptr;
      if (run != nullptr) {
        const auto index = static_cast<std::size_t>(run - fields->runs().data());
        std::vector<bool>& told = skipped_->told[static_cast<std::size_t>(*document)];
        if (&scanned->keys[run->first] == key) {
          told[index] = true;
          warnings_.push_back({kind_of(*run), document, Warning::From::kRun, index});
          continue;
        }
        if (told[index]) continue;
      }
    }
    warnings_.push_back({warning.kind, document, Warning::From::kCompile, i});
  }
}

// Each row of the line's body past the line's end, told after the line
// description's other warnings.
void FindingMaker::add_past_line_end() {
  if (!model_.has_grid() || !line_) return;
  const std::int64_t length =
      compiler::TrainAndLengthItem(std::as_const(model_.items[compiler::kTrainAndLength]))
          .line_length();
  const ScannedDocument* scanned = names_.scanned(compiler::Document::kLineDescription);
  if (scanned == nullptr) return;
  std::vector<Warning> past;
  for (std::size_t k = 0; k < scanned->keys.size(); ++k) {
    const ScannedKey& key = scanned->keys[k];
    if (key.kind != ScannedKey::Kind::kRow || key.section != format::Section::kLineBody ||
        key.fields.empty() || key.fields.front().field->cell == format::CellRule::kNone ||
        key.fields.front().number <= length) {
      continue;
    }
    past.push_back({CompileWarning::Kind::kPastLineEnd, compiler::Document::kLineDescription,
                    Warning::From::kPastLineEnd, k});
  }
  const auto after_line = std::find_if(warnings_.begin(), warnings_.end(), [](const Warning& w) {
    return w.document != compiler::Document::kLineDescription;
  });
  warnings_.insert(after_line, past.begin(), past.end());
}

Finding FindingMaker::warning(std::size_t i) {
  const Warning& told = warnings_[i];
  if (told.from == Warning::From::kRun) return run_warning(told);
  if (told.from == Warning::From::kPastLineEnd) return past_line_end_warning(told);
  const CompileWarning& warning = outcome_.report.warnings[told.index];
  Finding finding;
  finding.severity = Finding::Severity::kWarning;
  finding.warning = warning.kind;
  if (warning.kind == CompileWarning::Kind::kUtf8Document) return utf8_warning(warning, finding);
  std::string text = utf8_from_1252(clipped(warning.detail));
  if (!warning.where) {
    finding.message = text;
    return finding;
  }
  if (warning.kind == CompileWarning::Kind::kDecimalComma) {
    const ScannedDocument* scanned = names_.scanned(warning.where->document);
    const std::optional<std::string>& bytes =
        warning.where->document == compiler::Document::kLineDescription ? line_ : train_;
    if (scanned != nullptr && bytes) {
      if (std::optional<std::string> shifted =
              left_over_from_empty_field(*scanned, *bytes, warning.where->key)) {
        text = std::move(*shifted);
      }
    }
  }
  const FieldLocation at = aimed(*warning.where, aim_of_warning(warning.kind));
  finding.document = warning.where->document;
  finding.at = at;
  finding.row = warning.where;
  finding.message = at_field(names_, *warning.where, at, text);
  return finding;
}

Finding FindingMaker::run_warning(const Warning& warning) {
  const ScannedDocument& scanned = *names_.scanned(*warning.document);
  const SkippedRun& run = skipped(*warning.document)->runs()[warning.index];
  Finding finding;
  finding.severity = Finding::Severity::kWarning;
  finding.warning = warning.kind;
  finding.document = warning.document;
  finding.at = scanned.keys[run.first].at;
  finding.row = SourceSpot{*warning.document, *finding.at, *finding.at, *finding.at};
  finding.message = skipped_run_message(scanned, run);
  return finding;
}

Finding FindingMaker::past_line_end_warning(const Warning& warning) {
  const ScannedDocument& scanned = *names_.scanned(compiler::Document::kLineDescription);
  const ScannedKey& key = scanned.keys[warning.index];
  const ScannedField& position = key.fields.front();
  const std::int64_t length =
      compiler::TrainAndLengthItem(std::as_const(model_.items[compiler::kTrainAndLength]))
          .line_length();
  Finding finding;
  finding.severity = Finding::Severity::kWarning;
  finding.warning = warning.kind;
  finding.document = compiler::Document::kLineDescription;
  finding.at = position.at;
  const SourceSpot spot{compiler::Document::kLineDescription, key.at, position.at, position.at};
  finding.row = spot;
  finding.message = at_field(
      names_, spot, position.at,
      format::say(format::Said::kPastLineEnd, {{"position", std::to_string(position.number)},
                                               {"length", std::to_string(length)}}));
  return finding;
}

// The letters beyond ASCII that a UTF-8 document holds: their count, the
// first few, and the one at `at`.
Finding FindingMaker::utf8_warning(const CompileWarning& warning, Finding finding) {
  if (!warning.where) return finding;
  const compiler::Document document = warning.where->document;
  const std::optional<std::string>& bytes =
      document == compiler::Document::kLineDescription ? line_ : train_;
  finding.document = document;
  finding.at = warning.where->field;
  finding.row = warning.where;
  finding.message = utf8_from_1252(clipped(warning.detail));
  if (!bytes) return finding;
  constexpr std::size_t kLettersNamed = 5;
  std::size_t count = 0;
  std::vector<std::string> named;
  std::string first;
  std::size_t first_at = std::string::npos;
  const std::string& text = *bytes;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const std::string letter = text.substr(i, length);
    if (first_at == std::string::npos) {
      first_at = i;
      first = letter;
    }
    ++count;
    if (named.size() < kLettersNamed &&
        std::find(named.begin(), named.end(), letter) == named.end()) {
      named.push_back(letter);
    }
    i += length;
  }
  std::string letters;
  for (const std::string& letter : named) letters += (letters.empty() ? "" : ", ") + letter;
  if (named.size() == kLettersNamed) letters += ", ...";
  finding.length = first.size();
  finding.message =
      format::say(format::Said::kUtf8Letters,
                  {{"count", std::to_string(count) + (count == 1 ? " letter" : " letters")},
                   {"letters", letters},
                   {"letter", first},
                   {"seen", utf8_from_1252(first)}}) +
      "; " + std::string(format::warning(warning.kind).advice);
  return finding;
}

std::vector<IgnoredRowPlace> FindingMaker::ignored_rows() {
  std::vector<IgnoredRowPlace> places;
  for (const Warning& warning : warnings_) {
    if (warning.kind != CompileWarning::Kind::kIgnoredRow) continue;
    const ScannedDocument& scanned = *names_.scanned(*warning.document);
    const ScannedKey& key = scanned.keys[skipped(*warning.document)->runs()[warning.index].first];
    places.push_back({*warning.document, key.at, utf8_from_1252(clipped(key.text))});
  }
  return places;
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
  const std::string more = error_more(number, finding.related);
  // Stations out of route order say so in place of the zones' distance.
  if (finding.related) detail.clear();
  const std::string text = utf8_from_1252(clipped(error_message(number, detail, report))) + more;
  finding.message = text;
  if (report.error_at) {
    const FieldLocation at = aimed(*report.error_at, aim_of_error(number));
    finding.row = report.error_at;
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

// What the error's own words leave out, led by ": ", or "".
std::string FindingMaker::error_more(std::int32_t number, std::optional<RelatedRow>& related) {
  namespace e = compiler::error;
  switch (number) {
    case e::kStationsTooClose:
      return stations_out_of_order(related);
    case e::kRuntimeFailure:
      return row_ends_too_soon();
    case e::kMountainPastGrid:
    case e::kBeyondGrid:
    case e::kSlowDownPastGrid:
      return length_read_as();
    default:
      return "";
  }
}

// A station that stands before the station above it in the document.
std::string FindingMaker::stations_out_of_order(std::optional<RelatedRow>& related) {
  const auto& at = outcome_.report.error_at;
  const ScannedDocument* scanned = names_.scanned(compiler::Document::kTrainDescription);
  if (!at || scanned == nullptr) return "";
  const ScannedKey* key = scanned->key_at(at->key);
  if (key == nullptr) return "";
  const ScannedKey* previous = nullptr;
  for (const ScannedKey* k = key; k != scanned->keys.data();) {
    --k;
    if (is_row(*k, format::kStationKey)) {
      previous = k;
      break;
    }
  }
  if (previous == nullptr) return "";
  const ScannedField* position = value_named(*key, "posizione");
  const ScannedField* previous_position = value_named(*previous, "posizione");
  const ScannedField* name = value_named(*key, "nome");
  const ScannedField* previous_name = value_named(*previous, "nome");
  if (position == nullptr || previous_position == nullptr ||
      position->number >= previous_position->number) {
    return "";
  }
  related = RelatedRow{compiler::Document::kTrainDescription, previous->at,
                       "the station before it in the document, further along the route"};
  return ": " + format::say(format::Said::kStationsOutOfOrder,
                            {{"name", name != nullptr ? utf8_from_1252(name->text) : ""},
                             {"position", std::to_string(position->number)},
                             {"previous",
                              previous_name != nullptr ? utf8_from_1252(previous_name->text) : ""},
                             {"previous_position", std::to_string(previous_position->number)},
                             {"previous_line", std::to_string(previous->at.line)}});
}

// A run-time failure at a row's first field on a later line, or at the
// document's end: the row was cut short.
std::string FindingMaker::row_ends_too_soon() {
  const auto& at = outcome_.report.error_at;
  if (!at) return "";
  const ScannedDocument* scanned = names_.scanned(at->document);
  if (scanned == nullptr || !scanned->failed_at) return "";
  const ScannedKey* key = scanned->key_at(at->key);
  if (key == nullptr || key->fields.empty()) return "";
  const ScannedField& failing = key->fields.back();
  const std::optional<std::string>& bytes =
      at->document == compiler::Document::kLineDescription ? line_ : train_;
  if (!bytes) return "";
  const LineIndex lines(*bytes);
  // The row's first field missing: one on a later line than its key, or an
  // empty one that a line end closes.
  const ScannedField* missing = nullptr;
  for (const ScannedField& value : key->fields) {
    const std::optional<std::string_view> line = lines.line(value.at.line);
    if (value.at.line > key->at.line ||
        (line && static_cast<std::size_t>(value.at.column) > line->size())) {
      missing = &value;
      break;
    }
  }
  if (missing == nullptr) return "";
  const std::string row(failing.row->name);
  const std::string row_line = std::to_string(key->at.line);
  const std::string field(missing->field->name);
  if (scanned->failure.starts_with("reading past the end")) {
    return ": " + format::say(format::Said::kRowEndsWithDocument,
                              {{"row", row}, {"row_line", row_line}, {"field", field}});
  }
  const std::int32_t before =
      key->fields.size() > 1 ? key->fields[key->fields.size() - 2].at.line : key->at.line;
  if (!scanned->failure.starts_with("text ") || failing.at.line <= before) return "";
  const std::optional<std::string_view> line = lines.line(failing.at.line);
  std::string found;
  if (line && static_cast<std::size_t>(failing.at.column) <= line->size()) {
    const auto start = static_cast<std::size_t>(failing.at.column - 1);
    found =
        utf8_from_1252(clipped(std::string(line->substr(start, field_end(*line, start) - start))));
  }
  return ": " +
         format::say(format::Said::kRowEndsTooSoon, {{"row", row},
                                                     {"row_line", row_line},
                                                     {"field", field},
                                                     {"line", std::to_string(failing.at.line)},
                                                     {"found", found}});
}

// The line's length, as read, for an error at the grid's end.
std::string FindingMaker::length_read_as() {
  const ScannedDocument* scanned = names_.scanned(compiler::Document::kLineDescription);
  if (scanned == nullptr) return "";
  const ScannedField* length = nullptr;
  for (const ScannedKey& key : scanned->keys) {
    if (key.section == format::Section::kLineGeneral && is_row(key, format::kLengthKey)) {
      length = value_named(key, "lunghezza");
    }
  }
  if (length == nullptr) return "";
  const std::string metres = std::to_string(length->number);
  const std::string line = std::to_string(length->at.line);
  for (const CompileWarning& warning : outcome_.report.warnings) {
    if (warning.kind != CompileWarning::Kind::kDecimalComma || !warning.where ||
        warning.where->document != compiler::Document::kLineDescription ||
        warning.where->key.line != length->at.line) {
      continue;
    }
    const ScannedKey* decimals = scanned->key_at(warning.where->key);
    if (decimals == nullptr) continue;
    return ": " + format::say(format::Said::kLengthCutByComma,
                              {{"length", metres},
                               {"written", metres + "," + utf8_from_1252(decimals->text)},
                               {"line", line}});
  }
  return ": " + format::say(format::Said::kLengthReadAs, {{"length", metres}, {"line", line}});
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
