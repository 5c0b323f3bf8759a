#include "compiler/reader_support.hpp"

#include <algorithm>
#include <array>
#include <iterator>

#include "compiler/error_catalog.hpp"
#include "compiler/numeric.hpp"

namespace borgo::compiler::detail {
namespace {

// Letters A to Z become a to z; every other byte stays as it is.
constexpr std::array<char, 256> kLowerCase = [] {
  std::array<char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    table[static_cast<std::size_t>(c)] =
        static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return table;
}();

char lower(char c) { return kLowerCase[static_cast<unsigned char>(c)]; }

bool all_digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool contains(std::string_view field, std::string_view word) {
  return field.find(word) != std::string_view::npos;
}

bool contains_ignoring_case(std::string_view field, std::string_view word) {
  return contains(LoweredKey(field).text(), LoweredKey(word).text());
}

void CellProfile::fill_until(RouteModel& model, std::int64_t end) {
  const std::uint8_t code = code_(previous_);  // a value that does not fit fails first
  const std::int64_t inside = std::min<std::int64_t>(end, std::ssize(model.cells));
  for (std::int64_t i = fill_; i < inside; ++i) {
    model.cells[static_cast<std::size_t>(i)].*field_ = code;
  }
  if (inside < end) {
    // The cells inside the grid are written; the first one past it fails.
    fill_ = static_cast<std::int32_t>(std::max<std::int64_t>(fill_, inside));
    cell_at(model, fill_);
  }
  fill_ = static_cast<std::int32_t>(end);
}

void CellProfile::row(RouteModel& model, std::int32_t p, std::int32_t value) {
  const std::int32_t c = rnd(p / 50.0);
  if (c > 0) {
    // At least one cell, even when the fill is already at c or past it.
    std::int64_t end = std::max<std::int64_t>(std::int64_t{fill_} + 1, c);
    if (row_stops_at_cell_last_) end = std::min<std::int64_t>(end, model.cell_last);
    if (end > fill_) fill_until(model, end);
  }
  previous_ = value;
}

void CellProfile::complete(RouteModel& model) {
  fill_until(model, std::max<std::int64_t>(std::int64_t{fill_} + 1, model.cell_last - 2));
}

bool is_section_heading(std::string_view field) {
  if (!contains(field, "[") || !contains(field, "]")) return false;
  const auto first = field.find_first_not_of(' ');
  return first == std::string_view::npos || field[first] != '-';
}

bool next_body_key(DocumentCursor& cursor, CompileReport& report, std::string_view& key) {
  FieldReader& reader = cursor.reader;
  if (reader.at_end()) return false;
  key = reader.read_text();
  cursor.key = reader.last_field();
  if (reader.at_end()) {
    warn_last_field_lost(report, cursor, key);
    return false;
  }
  for (int dash_reads = 0; dash_reads < format::kBodyDashReads && contains(key, "-");
       ++dash_reads) {
    key = reader.read_text();
    cursor.key = reader.last_field();
    if (reader.at_end()) return false;
  }
  cursor.value = reader.next_field();
  return true;
}

void record_error(RouteModel& model, CompileReport& report, const DocumentCursor& cursor,
                  std::int32_t number, std::string detail) {
  model.error_number = number;
  report.error_at = cursor.spot();
  report.error_detail = std::move(detail);
}

void warn_unmatched_key(CompileReport& report, const DocumentCursor& cursor, std::string_view key,
                        bool previous_number_ended_at_comma) {
  if (key.empty() || is_section_heading(key)) return;
  if (previous_number_ended_at_comma && all_digits(key)) {
    report.warnings.push_back({CompileWarning::Kind::kDecimalComma, cursor.spot(),
                               "\"" + std::string(key) +
                                   "\" follows a number and a comma: a decimal comma splits the "
                                   "number and its decimals are ignored"});
    return;
  }
  report.warnings.push_back({CompileWarning::Kind::kUnknownKey, cursor.spot(),
                             "\"" + std::string(key) + "\" matches no key and is skipped"});
}

void warn_last_field_lost(CompileReport& report, const DocumentCursor& cursor,
                          std::string_view key) {
  if (key.empty() || is_section_heading(key)) return;
  report.warnings.push_back(
      {CompileWarning::Kind::kLastRowLost, cursor.spot(),
       "\"" + std::string(key) +
           "\" is the last field of the document and is never read; close the document with "
           "\"[fine]\""});
}

Flow DescriptionReader::fail(std::int32_t number, std::string detail) {
  record_error(model_, report_, cursor_, number, std::move(detail));
  return Flow::kReturn;
}

Flow DescriptionReader::beyond_grid_at(std::int64_t p, int margin) {
  std::string where = "position " + std::to_string(p) + " m";
  if (margin != 100) where += " (+" + std::to_string(margin) + " m)";
  record_error(
      model_, report_, cursor_, error::kBeyondGrid,
      where + " lies beyond the grid, which ends at cell " + std::to_string(model_.cell_last));
  return Flow::kEndBody;
}

Flow DescriptionReader::placement_result(std::string what) {
  if (model_.error_number <= 0) return Flow::kContinue;
  // An error 15 left by the line description keeps its place.
  if (!report_.error_at || report_.error_at->document == cursor_.document ||
      model_.error_number != error::kBeyondGrid) {
    report_.error_at = cursor_.spot();
    report_.error_detail = std::move(what);
  }
  return Flow::kReturn;
}

Flow DescriptionReader::negative(std::string_view what, std::int64_t p) {
  return fail(error::kNegativePosition,
              std::string(what) + " at negative position " + std::to_string(p));
}

Flow DescriptionReader::profile_row(CellProfile& profile, std::string_view row_name,
                                    std::string_view profile_name, std::int64_t& last) {
  const std::int32_t p = reader_.read_i32();
  const std::int32_t value = reader_.read_i32();
  if (beyond_grid(model_, p, 100)) return beyond_grid_at(p, 100);
  if (p < 0) return negative(row_name, p);
  warn_out_of_order(profile_name, p, last);
  profile.row(model_, p, value);
  return Flow::kContinue;
}

void DescriptionReader::warn_out_of_order(std::string_view profile, std::int64_t p,
                                          std::int64_t& last) {
  if (p < last) {
    report_.warnings.push_back({CompileWarning::Kind::kProfileOutOfOrder, cursor_.spot(),
                                std::string(profile) + " row at " + std::to_string(p) +
                                    " m comes after a row at " + std::to_string(last) + " m"});
  }
  last = p;
}

}  // namespace borgo::compiler::detail

namespace borgo::compiler {

LoweredKey::LoweredKey(std::string_view key) {
  char* out = short_.data();
  if (key.size() > short_.size()) {
    long_.resize(key.size());
    out = long_.data();
  }
  std::transform(key.begin(), key.end(), out, detail::lower);
  text_ = {out, key.size()};
}

bool KeyWords::match(std::string_view key) const {
  if (letter_case == LetterCase::kExact) return match(key, key);
  const LoweredKey lowered(key);
  return match(key, lowered.text());
}

bool KeyWords::match(std::string_view key, std::string_view lowered_key) const {
  const std::string_view tested = letter_case == LetterCase::kExact ? key : lowered_key;
  for (const std::string_view word : words) {
    if (!word.empty() && !detail::contains(tested, word)) return false;
  }
  return true;
}

}  // namespace borgo::compiler
