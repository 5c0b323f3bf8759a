#pragma once

// What the editor asks of one description: the explanation of the row under
// the cursor, the keys that may be written there, and its outline.

#include <nlohmann/json.hpp>
#include <string>

#include "compiler/compile_report.hpp"
#include "tools/lsp/analysis.hpp"

namespace borgo::tools::lsp {

// The hover at `at` (1-based line, byte column) of `document` in a compile:
// the field under the cursor, then the explanation of its line; null when
// the line is not there.
nlohmann::json hover(const CompiledPair& compiled, compiler::Document document,
                     const PositionMap& positions, compiler::FieldLocation at, bool markdown);

// The completion items at `at`: the row keys of the section there, each
// with a snippet of its fields as the format names them, and section
// headings; none inside a row's values.
nlohmann::json completion(const DocumentText& text, compiler::Document document,
                          const PositionMap& positions, compiler::FieldLocation at, bool snippets);

// The document's outline: its sections, and in them stations by name,
// signals and slow-downs by position. Flat SymbolInformation when the
// client takes no hierarchy.
nlohmann::json document_symbols(const DocumentText& text, compiler::Document document,
                                const PositionMap& positions, const std::string& uri,
                                bool hierarchical);

}  // namespace borgo::tools::lsp
