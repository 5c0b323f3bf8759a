#pragma once

// Pieces shared by the line and train description readers.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "compiler/compile_report.hpp"
#include "compiler/field_reader.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler::detail {

// What a row handler tells the reading loop.
enum class Flow : std::uint8_t {
  kContinue,  // go on with the next row
  kEndBody,   // stop reading rows, but complete the profiles (error 15)
  kReturn,    // the document is deleted and memorizza_dati returns
};

// Key tests: substring search, with or without letter case.
bool contains(std::string_view field, std::string_view word);
bool contains_ignoring_case(std::string_view field, std::string_view word);

// A section heading: holds "[" and "]" and, without leading blanks, does not
// begin with "-".
bool is_section_heading(std::string_view field);

// The grid must reach (p + margin) / 50 cells, compared as real numbers.
inline bool beyond_grid(const RouteModel& model, std::int64_t p, int margin) {
  return static_cast<double>(model.cell_last) < static_cast<double>(p + margin) / 50.0;
}

// Removes a description once read. A document that cannot be removed is a
// run-time failure.
void delete_document(const std::filesystem::path& path);

// The reading state of one document, for the report.
struct DocumentCursor {
  Document document;
  FieldReader& reader;
  FieldLocation key;
  FieldLocation value;  // the field after the key, noted when the key is final

  SourceSpot spot() const { return {document, key, reader.last_field(), value}; }
};

// Reads the key field of the next body row, replacing a key that holds "-"
// by the next field, twice at most. False when reading stops at the end of
// the document: the last field of a document is never interpreted.
bool next_body_key(DocumentCursor& cursor, CompileReport& report, std::string_view& key);

// Records an error number with the place where reading stopped.
void record_error(RouteModel& model, CompileReport& report, const DocumentCursor& cursor,
                  std::int32_t number, std::string detail);

// Warnings common to both readers, noted after a key matched no handler or
// when the last field of a document is left uninterpreted.
void warn_unmatched_key(CompileReport& report, const DocumentCursor& cursor, std::string_view key,
                        bool previous_number_ended_at_comma);
void warn_last_field_lost(CompileReport& report, const DocumentCursor& cursor,
                          std::string_view key);

}  // namespace borgo::compiler::detail
