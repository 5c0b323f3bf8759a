#pragma once

// What the compile made of a description, shown beside the text: the
// kilometre progressive and the cell of each position, a curve's side and
// radius, a station's zone. Only rows the compile read get a hint: a row
// after the one that stopped the reading is not in the scenario.

#include <cstdint>
#include <nlohmann/json.hpp>

#include "tools/lsp/analysis.hpp"

namespace borgo::tools::lsp {

// The inlay hints of `document` on its lines `first_line` to `last_line`
// (1-based, both included); an empty array when the document is missing.
nlohmann::json inlay_hints(const CompiledPair& compiled, compiler::Document document,
                           const PositionMap& positions, std::int32_t first_line,
                           std::int32_t last_line);

}  // namespace borgo::tools::lsp
