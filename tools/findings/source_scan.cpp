#include "tools/findings/source_scan.hpp"

#include <algorithm>

#include "compiler/reader_support.hpp"
#include "compiler/runtime_failure.hpp"

namespace borgo::tools {
namespace {

using compiler::FieldLocation;
using compiler::FieldReader;
using compiler::detail::contains;
using compiler::detail::contains_ignoring_case;
using compiler::detail::is_section_heading;
namespace format = compiler::format;

class Scanner {
 public:
  Scanner(std::string_view bytes, compiler::Document document, bool builds_plan)
      : reader_(bytes), builds_plan_(builds_plan) {
    out_.document = document;
  }

  ScannedDocument run() {
    try {
      if (out_.document == compiler::Document::kLineDescription) {
        if (find_general() && general_section()) body(format::Section::kLineBody);
      } else if (find_general()) {
        body(format::Section::kTrainBody);
      }
    } catch (const compiler::RuntimeFailure& failure) {
      out_.failed_at = failing_field_;
      out_.failure = failure.what();
    }
    out_.key_starts.reserve(out_.keys.size());
    for (const ScannedKey& key : out_.keys) out_.key_starts.push_back(key.at);
    return std::move(out_);
  }

 private:
  std::string_view read_text() {
    failing_field_ = reader_.next_field();
    return reader_.read_text();
  }

  // Up to and including the field that holds "[generale]". In the line
  // description a document without one ends here; in the train description
  // the search simply reaches the end.
  bool find_general() {
    const bool line = out_.document == compiler::Document::kLineDescription;
    while (line || !reader_.at_end()) {
      const std::string_view field = read_text();
      if (line && reader_.at_end()) return false;
      if (contains_ignoring_case(field, format::kGeneralHeading)) {
        out_.general = reader_.last_field();
        return true;
      }
    }
    return false;
  }

  // The line description's general section; false when the document ends in it.
  bool general_section() {
    for (;;) {
      if (reader_.at_end()) return false;
      ScannedKey& key = begin_key(format::Section::kLineGeneral);
      if (reader_.at_end()) {
        lose(key);
        return false;
      }
      for (int i = 0; i < format::kGeneralDashReads && contains(key.text, "-"); ++i) {
        replace_dashed(key);
      }
      read_rows(key);
      if (is_section_heading(key.text)) return true;
    }
  }

  void body(format::Section section) {
    for (;;) {
      if (reader_.at_end()) return;
      ScannedKey& key = begin_key(section);
      if (reader_.at_end()) {
        lose(key);
        return;
      }
      for (int i = 0; i < format::kBodyDashReads && contains(key.text, "-"); ++i) {
        replace_dashed(key);
        if (reader_.at_end()) {
          lose(key);
          return;
        }
      }
      read_rows(key);
    }
  }

  ScannedKey& begin_key(format::Section section) {
    ScannedKey& key = out_.keys.emplace_back();
    key.section = section;
    key.text = std::string(read_text());
    key.at = reader_.last_field();
    return key;
  }

  void replace_dashed(ScannedKey& key) {
    key.dashed.emplace_back(key.at, key.text);
    key.text = std::string(read_text());
    key.at = reader_.last_field();
  }

  void lose(ScannedKey& key) {
    key.kind = is_section_heading(key.text) ? ScannedKey::Kind::kHeading : ScannedKey::Kind::kLost;
  }

  // Every row whose key words the key holds reads its values, in order.
  void read_rows(ScannedKey& key) {
    for (const format::RowFormat& row : format::rows_of(key.section)) {
      if (!row.key->match(key.text)) continue;
      key.rows.push_back(&row);
      key.kind = ScannedKey::Kind::kRow;  // before its fields, which may fail
      if (row.key == &format::kCurveKey && !builds_plan_) {
        key.fields_skipped = true;
        continue;
      }
      for (const format::FieldFormat& field : row.fields) read_field(key, row, field);
    }
    if (key.rows.empty() && is_section_heading(key.text)) {
      key.kind = ScannedKey::Kind::kHeading;
    }
  }

  void read_field(ScannedKey& key, const format::RowFormat& row, const format::FieldFormat& field) {
    ScannedField& value = key.fields.emplace_back();
    value.row = &row;
    value.field = &field;
    value.at = reader_.next_field();
    failing_field_ = value.at;
    switch (field.type) {
      case format::ValueType::kInt32:
        value.number = reader_.read_i32();
        break;
      case format::ValueType::kInt16:
        value.number = reader_.read_i16();
        break;
      case format::ValueType::kUInt8:
        value.number = reader_.read_u8();
        break;
      case format::ValueType::kText:
        value.text = std::string(reader_.read_text());
        break;
    }
    value.at = reader_.last_field();
  }

  FieldReader reader_;
  bool builds_plan_;
  ScannedDocument out_;
  FieldLocation failing_field_;
};

}  // namespace

std::int32_t ScannedKey::last_line() const {
  return fields.empty() ? at.line : fields.back().at.line;
}

const ScannedKey* ScannedDocument::key_at(FieldLocation at) const {
  const auto it = std::lower_bound(key_starts.begin(), key_starts.end(), at);
  if (it == key_starts.end() || *it != at) return nullptr;
  return &keys[static_cast<std::size_t>(it - key_starts.begin())];
}

ScannedDocument scan_description(std::string_view bytes, compiler::Document document,
                                 bool builds_plan) {
  return Scanner(bytes, document, builds_plan).run();
}

std::string field_name_at(const ScannedDocument& scanned, FieldLocation key_at, FieldLocation at) {
  const ScannedKey* key = scanned.key_at(key_at);
  if (key == nullptr || key->kind != ScannedKey::Kind::kRow) return "";
  if (at == key->at) return "row \"" + std::string(key->rows.front()->name) + "\"";
  for (const ScannedField& value : key->fields) {
    if (!(value.at == at)) continue;
    std::string name = "field \"" + std::string(value.field->name) + "\"";
    const std::string_view unit = format::unit_name(value.field->unit);
    if (!unit.empty()) name += " (" + std::string(unit) + ")";
    return name;
  }
  return "";
}

std::string FieldNamer::name(const compiler::SourceSpot& spot, FieldLocation at) {
  const ScannedDocument* document = scanned(spot.document);
  return document != nullptr ? field_name_at(*document, spot.key, at) : "";
}

const ScannedDocument* FieldNamer::scanned(compiler::Document document) {
  const bool line = document == compiler::Document::kLineDescription;
  const std::optional<std::string>& bytes = line ? line_ : train_;
  std::optional<ScannedDocument>& scanned = line ? scanned_line_ : scanned_train_;
  if (!bytes) return nullptr;
  if (!scanned) scanned = scan_description(*bytes, document, builds_plan_ || !line);
  return &*scanned;
}

}  // namespace borgo::tools
