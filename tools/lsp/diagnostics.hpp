#pragma once

// A compile's findings as the editor's diagnostics, on each document of the
// pair: the field's range, the error number (or the warning's name) as the
// code, and for a cell taken the row that holds it, both ways.

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/lsp/analysis.hpp"
#include "tools/lsp/protocol/positions.hpp"

namespace borgo::tools::lsp {

// Past this many warnings of one kind in one document, one more diagnostic
// counts the rest: an editor is no better at thousands than a terminal.
inline constexpr std::size_t kMostWarningsOfAKind = 100;

// The diagnostics of one compile, by the URI of the document they are on.
std::map<std::string, nlohmann::json> diagnostics_of(const CompiledPair& compiled,
                                                     PositionEncoding encoding);

}  // namespace borgo::tools::lsp
