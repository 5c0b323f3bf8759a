#include "compiler/reader_support.hpp"

#include <algorithm>
#include <system_error>

#include "compiler/runtime_failure.hpp"

namespace borgo::compiler::detail {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool all_digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool contains(std::string_view field, std::string_view word) {
  return field.find(word) != std::string_view::npos;
}

bool contains_ignoring_case(std::string_view field, std::string_view word) {
  return std::search(field.begin(), field.end(), word.begin(), word.end(),
                     [](char a, char b) { return lower(a) == lower(b); }) != field.end();
}

bool is_section_heading(std::string_view field) {
  if (!contains(field, "[") || !contains(field, "]")) return false;
  const auto first = field.find_first_not_of(' ');
  return first == std::string_view::npos || field[first] != '-';
}

void delete_document(const std::filesystem::path& path) {
  std::error_code failed;
  std::filesystem::remove(path, failed);
  if (failed) throw RuntimeFailure("cannot delete " + path.string() + ": " + failed.message());
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
  for (int dash_reads = 0; dash_reads < 2 && contains(key, "-"); ++dash_reads) {
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

}  // namespace borgo::compiler::detail
