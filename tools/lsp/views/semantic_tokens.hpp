#pragma once

// Colours for a description from what its reader makes of each field, so
// that an editor needs no grammar of its own: headings, row keys, keys that
// match nothing, numbers, names, and the text the compile ignores.

#include <nlohmann/json.hpp>

#include "tools/lsp/analysis.hpp"

namespace borgo::tools::lsp {

// The legend announced in the server's capabilities.
nlohmann::json semantic_tokens_legend();

// The whole document's tokens, {"data": [...]} relative as the protocol
// encodes them; no data when the document is missing.
nlohmann::json semantic_tokens(const CompiledPair& compiled, compiler::Document document,
                               const PositionMap& positions);

}  // namespace borgo::tools::lsp
