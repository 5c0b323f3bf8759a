#pragma once

// Pieces shared by the line and train description readers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "compiler/compile_report.hpp"
#include "compiler/description_format.hpp"
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

// One kind of row of a description: its key test and the handler that reads
// its values. With `when` set, the handler runs only while it holds; the key
// counts as matched either way.
template <typename Reader>
struct RowRule {
  const KeyWords* key;  // the format's own
  Flow (Reader::*read)(std::string_view key);
  bool (Reader::*when)() const = nullptr;
};

// Runs the handler of every rule whose key test `key` passes, in table order,
// and stops at the first handler that does not continue. `matched` tells
// whether any key test passed.
template <typename Reader, std::size_t N>
Flow apply_row_rules(Reader& reader, const std::array<RowRule<Reader>, N>& rules,
                     std::string_view key, bool& matched) {
  matched = false;
  const LoweredKey lowered(key);
  for (const RowRule<Reader>& rule : rules) {
    if (!rule.key->match(key, lowered.text())) continue;
    matched = true;
    if (rule.when != nullptr && !(reader.*rule.when)()) continue;
    if (const Flow flow = (reader.*rule.read)(key); flow != Flow::kContinue) return flow;
  }
  return Flow::kContinue;
}

// A section heading: holds "[" and "]" and, without leading blanks, does not
// begin with "-".
bool is_section_heading(std::string_view field);

// A profile spread over the cells (gradient, line speed, adhesion): each
// row's value holds from the row's own cell, rnd(p / 50), up to the cell
// before the next row's; cells before the first row take 0 as the value.
class CellProfile {
 public:
  using Code = std::uint8_t (*)(std::int32_t value);

  // Each cell's `field` takes code(value). With `row_stops_at_cell_last`, a
  // row's fill leaves when it reaches cell_last.
  CellProfile(std::uint8_t CellRecord::*field, Code code, bool row_stops_at_cell_last)
      : field_(field), code_(code), row_stops_at_cell_last_(row_stops_at_cell_last) {}

  // A row at p: the cells from the fill index up to rnd(p / 50) - 1 take the
  // previous row's value, at least one cell when rnd(p / 50) is above 0, even
  // when the fill is already there; then `value` is the one to spread.
  void row(RouteModel& model, std::int32_t p, std::int32_t value);
  // After the last row: the cells from the fill index up to cell_last - 3
  // take the last value, at least one cell.
  void complete(RouteModel& model);

 private:
  // Cells fill_ .. end - 1 take code(previous_); end is past fill_.
  void fill_until(RouteModel& model, std::int64_t end);

  std::uint8_t CellRecord::*field_;
  Code code_;
  bool row_stops_at_cell_last_;
  std::int32_t fill_ = 0;  // the next cell without a value
  std::int32_t previous_ = 0;
};

// The grid must reach (p + margin) / 50 cells, compared as real numbers.
inline bool beyond_grid(const RouteModel& model, std::int64_t p, int margin) {
  return static_cast<double>(model.cell_last) < static_cast<double>(p + margin) / 50.0;
}

// The reading state of one document, for the report.
struct DocumentCursor {
  Document document;
  FieldReader& reader;
  FieldLocation key;
  FieldLocation value;  // the field after the key, noted when the key is final

  SourceSpot spot() const { return {document, key, reader.last_field(), value}; }
};

// Reads the key field of the next body row, replacing a key that holds "-"
// by the next field, format::kBodyDashReads times at most. False when reading stops at the end of
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

// What the two readers share: the model, the document's fields, the report,
// and the ways a row handler ends.
class DescriptionReader {
 public:
  DescriptionReader(const DescriptionReader&) = delete;
  DescriptionReader& operator=(const DescriptionReader&) = delete;

  // Where reading stands, for a run-time failure that stops it.
  SourceSpot spot() const { return cursor_.spot(); }

 protected:
  DescriptionReader(RouteModel& model, Document document, std::string_view bytes,
                    CompileReport& report)
      : model_(model), reader_(bytes), report_(report), cursor_{document, reader_, {}, {}} {}

  // Records the error; the document's reading ends and memorizza_dati returns.
  Flow fail(std::int32_t number, std::string detail);
  // Error 15: the rows end here, the profiles are still completed.
  Flow beyond_grid_at(std::int64_t p, int margin);
  // After a placement: its error, if it set one, ends the reading.
  Flow placement_result(std::string what);
  Flow negative(std::string_view what, std::int64_t p);
  void warn_out_of_order(std::string_view profile, std::int64_t p, std::int64_t& last);
  // Notes the row being read as one that places a feature from `position` to `end`.
  void note_placed(PlacedRow::Kind kind, std::int64_t position, std::int64_t end) {
    report_.placed_rows.push_back({kind, cursor_.spot(), position, end});
  }
  void note_placed(PlacedRow::Kind kind, std::int64_t position) {
    note_placed(kind, position, position);
  }
  // A profile row: a position and a value. `row_name` names the row in the
  // error of a negative position, `profile_name` in the order warning; `last`
  // is the position of the profile's previous row.
  Flow profile_row(CellProfile& profile, std::string_view row_name, std::string_view profile_name,
                   std::int64_t& last);

  RouteModel& model_;
  FieldReader reader_;
  CompileReport& report_;
  DocumentCursor cursor_;
};

}  // namespace borgo::compiler::detail
