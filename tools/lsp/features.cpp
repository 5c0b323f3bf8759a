#include "tools/lsp/features.hpp"

#include <algorithm>
#include <optional>
#include <vector>

#include "compiler/description_format.hpp"
#include "compiler/reader_support.hpp"
#include "documents/documents.hpp"
#include "documents/line_table.hpp"
#include "tools/findings/compile_findings.hpp"
#include "tools/findings/nearest_key.hpp"
#include "tools/findings/reference/explanation.hpp"
#include "tools/findings/source_scan.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::lsp {
namespace {

using compiler::Document;
using compiler::FieldLocation;
using nlohmann::json;
namespace format = compiler::format;

std::string text_of(const json& value) {
  return value.is_string() ? value.get<std::string>() : value.dump();
}

// ---- hover

// The field of the explanation whose column is the last at or before the cursor.
const json* field_under(const json& explanation, FieldLocation at) {
  const json* best = nullptr;
  for (const json& item : explanation["items"]) {
    if (!item.contains("fields")) continue;
    for (const json& field : item["fields"]) {
      if (field["line"] != at.line || field["column"].get<std::int32_t>() > at.column) continue;
      if (best == nullptr || field["column"] > (*best)["column"]) best = &field;
    }
  }
  return best;
}

std::string field_words(const json& field, bool markdown) {
  const std::string name = text_of(field["name"]);
  std::string out = markdown ? "**" + name + "**" : name;
  out += " = " + text_of(field["value"]);
  if (!text_of(field["unit"]).empty()) out += " " + text_of(field["unit"]);
  out += ": " + text_of(field["meaning"]) + "\n";
  if (!text_of(field["checks"]).empty()) out += "\nchecks: " + text_of(field["checks"]) + "\n";
  if (field.contains("cell")) {
    const json& cell = field["cell"];
    out += "\ncell " + text_of(cell["index"]) + " (" + text_of(cell["from_metre"]) + ".." +
           text_of(cell["to_metre"]) + " m)";
    if (cell.contains("holds_words")) out += " holds: " + text_of(cell["holds_words"]);
    out += "\n";
  }
  if (field.contains("kilometre")) out += "\nkm " + text_of(field["kilometre"]["km"]) + "\n";
  return out;
}

// ---- completion

// The headings authors use, as the package's own scenario has them.
const std::vector<std::string>& headings(Document document) {
  static const auto collect = [](Document d) {
    const documents::LineTable& table = d == Document::kLineDescription
                                            ? documents::line_description()
                                            : documents::train_description();
    const ScannedDocument scanned = scan_description(documents::render_lines(table), d, true);
    std::vector<std::string> out;
    for (const ScannedKey& key : scanned.keys) {
      if (key.kind == ScannedKey::Kind::kHeading &&
          std::find(out.begin(), out.end(), key.text) == out.end()) {
        out.push_back(utf8_from_1252(key.text));
      }
    }
    return out;
  };
  static const std::vector<std::string> line = collect(Document::kLineDescription);
  static const std::vector<std::string> train = collect(Document::kTrainDescription);
  return document == Document::kLineDescription ? line : train;
}

json row_item(const format::RowFormat& row, const json& range, bool snippets) {
  std::string snippet;
  int n = 1;
  if (row.key_rule.empty()) {
    snippet = std::string(row.name);
  } else {
    snippet = "${" + std::to_string(n++) + ":" + std::string(example_key(row)) + "}";
  }
  std::string fields;
  for (const format::FieldFormat& field : row.fields) {
    snippet += ", ${" + std::to_string(n++) + ":" + std::string(field.name) + "}";
    fields += (fields.empty() ? "" : ", ") + std::string(field.name);
  }
  std::string documentation = std::string(row.summary);
  if (!row.key_rule.empty()) documentation += "\n\n" + std::string(row.key_rule);
  documentation += "\n\nExample: " + std::string(row.example);
  const std::string plain = std::string(row.key_rule.empty() ? row.name : example_key(row)) + ", ";
  return {{"label", row.name},
          {"kind", 14},  // keyword
          {"detail", std::string(row.title) + ": " + fields},
          {"documentation", documentation},
          {"filterText", row.name},
          {"insertTextFormat", snippets ? 2 : 1},
          {"textEdit", {{"range", range}, {"newText", snippets ? snippet : plain}}}};
}

json heading_item(const std::string& heading, const json& range) {
  return {{"label", heading},
          {"kind", 9},  // module
          {"detail", "section heading"},
          {"filterText", heading},
          {"insertTextFormat", 1},
          {"textEdit", {{"range", range}, {"newText", heading}}}};
}

// ---- symbols

json symbol(const std::string& name, const std::string& detail, int kind, const json& range,
            const json& selection) {
  return {{"name", name.empty() ? detail : name},
          {"detail", detail},
          {"kind", kind},
          {"range", range},
          {"selectionRange", selection}};
}

const ScannedField* field_named(const ScannedKey& key, std::string_view name) {
  for (const ScannedField& field : key.fields) {
    if (field.field->name == name) return &field;
  }
  return nullptr;
}

}  // namespace

json hover(const CompiledPair& compiled, Document document, const PositionMap& positions,
           FieldLocation at, bool markdown) {
  const std::optional<DocumentText>& text = compiled.text(document);
  if (!text || at.line > line_count(text->bytes) + 1) return nullptr;
  const ScannedDocument scanned = scan_description(text->bytes, document, true);
  std::optional<ScannedDocument> train;
  if (compiled.train) {
    train = scan_description(compiled.train->bytes, Document::kTrainDescription, true);
  }
  const std::string uri = compiled.uri(document);
  const Document other = document == Document::kLineDescription ? Document::kTrainDescription
                                                                : Document::kLineDescription;
  const json explanation = explain_line({.shown_path = file_name_of_uri(uri),
                                         .other_shown_path = file_name_of_uri(compiled.uri(other)),
                                         .document = document,
                                         .bytes = text->bytes,
                                         .line = at.line,
                                         .compilation = &compiled.compilation,
                                         .scanned = &scanned,
                                         .train = train ? &*train : nullptr});
  std::string value;
  json range;
  if (const json* field = field_under(explanation, at)) {
    value = field_words(*field, markdown) + (markdown ? "\n---\n\n" : "\n");
    range = positions.field_range(
        {field->at("line").get<std::int32_t>(), field->at("column").get<std::int32_t>()});
  }
  const std::string explained = explanation_text(explanation);
  value += markdown ? "```text\n" + explained + "```\n" : explained;
  json out = {{"contents", {{"kind", markdown ? "markdown" : "plaintext"}, {"value", value}}}};
  if (!range.is_null()) out["range"] = range;
  return out;
}

json completion(const DocumentText& text, Document document, const PositionMap& positions,
                FieldLocation at, bool snippets) {
  json items = json::array();
  const std::optional<std::string_view> line = positions.bytes_line(at.line);
  if (!line) return items;
  const std::string_view typed =
      line->substr(0, std::min(line->size(), static_cast<std::size_t>(at.column - 1)));
  if (typed.find(',') != std::string_view::npos) return items;  // among a row's values
  const std::size_t first = std::min(typed.find_first_not_of(' '), typed.size());
  const json range = {{"start", positions.position(at.line, static_cast<std::int32_t>(first + 1))},
                      {"end", positions.position(at.line, at.column)}};
  const ScannedDocument scanned = scan_description(text.bytes, document, true);
  const FieldLocation here{at.line, static_cast<std::int32_t>(first + 1)};
  if (!scanned.general || *scanned.general >= here) {
    items.push_back(heading_item(std::string(format::kGeneralHeading), range));
    return items;
  }
  format::Section section = document == Document::kLineDescription ? format::Section::kLineGeneral
                                                                   : format::Section::kTrainBody;
  if (section == format::Section::kLineGeneral) {
    for (const ScannedKey& key : scanned.keys) {
      if (key.section == format::Section::kLineGeneral && key.kind == ScannedKey::Kind::kHeading &&
          key.at < here) {
        section = format::Section::kLineBody;
      }
    }
  }
  for (const format::RowFormat& row : format::rows_of(section)) {
    items.push_back(row_item(row, range, snippets));
  }
  for (const std::string& heading : headings(document)) {
    items.push_back(heading_item(heading, range));
  }
  return items;
}

json document_symbols(const DocumentText& text, Document document, const PositionMap& positions,
                      const std::string& uri, bool hierarchical) {
  const ScannedDocument scanned = scan_description(text.bytes, document, true);
  struct Section {
    std::string name;
    FieldLocation at;
    json children = json::array();
  };
  std::vector<Section> sections;
  if (scanned.general) {
    sections.push_back({std::string(format::kGeneralHeading), *scanned.general});
  }
  const auto row_range = [&](const ScannedKey& key) {
    const FieldLocation last = key.fields.empty() ? key.at : key.fields.back().at;
    return json{{"start", positions.position(key.at.line, key.at.column)},
                {"end", positions.field_range(last)["end"]}};
  };
  for (const ScannedKey& key : scanned.keys) {
    if (key.kind == ScannedKey::Kind::kHeading) {
      sections.push_back({utf8_from_1252(key.text), key.at});
      continue;
    }
    if (key.kind != ScannedKey::Kind::kRow || sections.empty()) continue;
    for (const format::RowFormat* row : key.rows) {
      const ScannedField* position = field_named(key, "posizione");
      if (position == nullptr) continue;
      const std::string where =
          std::string(row->name) + " " + std::to_string(position->number) + " m";
      const json selection = positions.field_range(key.at);
      if (row->key == &format::kStationKey) {
        const ScannedField* name = field_named(key, "nome");
        sections.back().children.push_back(symbol(name != nullptr ? utf8_from_1252(name->text) : "",
                                                  where, 5, row_range(key), selection));
      } else if (row->key == &format::kSignalKey) {
        sections.back().children.push_back(symbol(where, "", 24, row_range(key), selection));
      } else if (row->key == &format::kSlowDownKey) {
        sections.back().children.push_back(symbol(where, "", 14, row_range(key), selection));
      }
    }
  }
  json out = json::array();
  const std::int32_t lines = line_count(text.bytes);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    // A section reaches to the next heading, or to the document's end.
    const json end = i + 1 < sections.size() ? positions.position(sections[i + 1].at.line, 1)
                                             : positions.position(std::max(lines, 1), INT32_MAX);
    const json range = {{"start", positions.position(sections[i].at.line, 1)}, {"end", end}};
    json section =
        symbol(sections[i].name, "section", 3, range, positions.field_range(sections[i].at));
    if (hierarchical) {
      section["children"] = std::move(sections[i].children);
      out.push_back(std::move(section));
      continue;
    }
    const auto flat = [&](const json& s, const std::string& container) {
      json info = {{"name", s["name"]},
                   {"kind", s["kind"]},
                   {"location", {{"uri", uri}, {"range", s["range"]}}}};
      if (!container.empty()) info["containerName"] = container;
      return info;
    };
    out.push_back(flat(section, ""));
    for (const json& child : sections[i].children) out.push_back(flat(child, sections[i].name));
  }
  return out;
}

}  // namespace borgo::tools::lsp
