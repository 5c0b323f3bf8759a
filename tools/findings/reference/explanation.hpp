#pragma once

// What one line of a description holds, field by field, after the compile:
// the rows that begin or go on there, each value with its name, unit and
// meaning, the cell a position falls in and what holds that cell, the
// kilometre progressive there; or, for a line with no row, what it is.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "compiler/compile.hpp"
#include "tools/findings/source_scan.hpp"

namespace borgo::tools {

struct ExplainRequest {
  std::string shown_path;        // the document's name, as the explanation shows it
  std::string other_shown_path;  // the other description's name
  compiler::Document document = compiler::Document::kLineDescription;
  std::string_view bytes;                              // the document the line is in
  std::int32_t line = 0;                               // 1-based, within the document
  const compiler::Compilation* compilation = nullptr;  // the compile of both documents
  const ScannedDocument* scanned = nullptr;            // the same document, scanned
  const ScannedDocument* train = nullptr;  // the train description, scanned (for stations)
};

// The explanation as one JSON object: "file", "document", "line", "source",
// and "items", one object per thing on the line, each with "what" ("row",
// "continued-row", "general-heading", "section-heading", "before-general",
// "empty-line", "unknown-key", "ignored-row", "comma-ends-text",
// "decimal-comma", "dash-key", "last-field", "not-read", "no-field") and
// "says", a sentence, the same as the compile's warning for a field it
// skipped; a row's item has "row", "title", "read" and "fields", an array of
// objects, and for a key that carries more than its words, "key_says".
// Text is UTF-8.
nlohmann::json explain_line(const ExplainRequest& request);

// The same as text for a terminal.
std::string explanation_text(const nlohmann::json& explanation);

// Lines in a document as an editor counts them: a line end closes a line,
// and text after the last line end is a line of its own.
std::int32_t line_count(std::string_view bytes);

}  // namespace borgo::tools
