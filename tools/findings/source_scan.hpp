#pragma once

// A description walked field by field as its reader walks it, with the format
// table naming every key and field: which row each key field starts, where
// each of its fields begins and what it holds. The author's tool explains a
// line and names a diagnostic's field from it; the compile itself never uses
// it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile_report.hpp"
#include "compiler/description_format.hpp"
#include "compiler/field_reader.hpp"

namespace borgo::tools {

// One value of a row, as read.
struct ScannedField {
  const compiler::format::RowFormat* row;      // the row it belongs to
  const compiler::format::FieldFormat* field;  // its place in that row
  compiler::FieldLocation at;
  std::int64_t number = 0;  // numeric fields
  std::string text;         // text fields, as the document's bytes hold them
};

// One key field and what followed it.
struct ScannedKey {
  enum class Kind : std::uint8_t {
    kRow,        // at least one row matched it
    kUnmatched,  // no row matched: skipped
    kHeading,    // a section heading, which matches nothing
    kLost,       // the document's last field, never read
  };
  Kind kind = Kind::kUnmatched;
  compiler::format::Section section = compiler::format::Section::kLineGeneral;
  compiler::FieldLocation at;
  std::string text;
  // Fields holding "-" that this key replaced, in order.
  std::vector<std::pair<compiler::FieldLocation, std::string>> dashed;
  std::vector<const compiler::format::RowFormat*> rows;  // every row it matched, in order
  std::vector<ScannedField> fields;                      // all their values, in order
  bool fields_skipped = false;  // a curve key with no line plan wanted: its numbers are keys
  // The last line any of its fields stands on.
  std::int32_t last_line() const;
};

struct ScannedDocument {
  compiler::Document document = compiler::Document::kLineDescription;
  // The field holding "[generale]"; nullopt when the document has none.
  std::optional<compiler::FieldLocation> general;
  std::vector<ScannedKey> keys;  // in document order
  // Where each of `keys` begins, packed together so that finding a key by
  // its place touches a few cache lines, not a key each step: a report of
  // 80000 skipped keys looks each one up.
  std::vector<compiler::FieldLocation> key_starts;
  // A run-time failure that stopped the reading: where, and why. The key it
  // stopped in, if any, is the last of `keys`.
  std::optional<compiler::FieldLocation> failed_at;
  std::string failure;

  // The key field that begins at `at`, or nullptr.
  const ScannedKey* key_at(compiler::FieldLocation at) const;
};

// Walks a description's bytes. `builds_plan`: the line file is wanted, so
// curve rows read their numbers. Bounded by the document's size: every step
// reads at least one field.
ScannedDocument scan_description(std::string_view bytes, compiler::Document document,
                                 bool builds_plan);

// The field a location points at within the row whose key is at `key`, named
// as the format names it: `field "posizione" (metres)`, `row "segnale"` for
// the key itself; empty when the format names nothing there.
std::string field_name_at(const ScannedDocument& scanned, compiler::FieldLocation key,
                          compiler::FieldLocation at);

// Names the field a diagnostic points at, scanning each of the two
// descriptions once, when it is first needed.
class FieldNamer {
 public:
  FieldNamer(const std::optional<std::string>& line, const std::optional<std::string>& train,
             bool builds_plan)
      : line_(line), train_(train), builds_plan_(builds_plan) {}

  // field_name_at() for the row of `spot`, or "" when its document is missing.
  std::string name(const compiler::SourceSpot& spot, compiler::FieldLocation at);

  // The scan of one document, or nullptr when it is missing.
  const ScannedDocument* scanned(compiler::Document document);

 private:
  const std::optional<std::string>& line_;
  const std::optional<std::string>& train_;
  bool builds_plan_;
  std::optional<ScannedDocument> scanned_line_;
  std::optional<ScannedDocument> scanned_train_;
};

}  // namespace borgo::tools
