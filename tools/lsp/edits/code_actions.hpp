#pragma once

// Quick fixes for the slips the compile finds, each attached to the
// diagnostic it fixes. Every candidate edit is compiled, in memory, before
// it is offered: one that leaves its diagnostic, or brings an error the
// documents did not have, is dropped.

#include <nlohmann/json.hpp>

#include "tools/lsp/analysis.hpp"
#include "tools/lsp/protocol/positions.hpp"

namespace borgo::tools::lsp {

// The CodeActions of kind "quickfix" for the client's `diagnostics` (the
// request's context) that stand in `range` of `document`, as the compile
// publishes them now: a diagnostic the compile no longer gives gets none.
nlohmann::json quick_fixes(const CompiledPair& compiled, compiler::Document document,
                           PositionEncoding encoding, const nlohmann::json& range,
                           const nlohmann::json& diagnostics);

// Whether `range` is an LSP Range: a start and an end, each with an integer
// line and character.
bool is_range(const nlohmann::json& range);

}  // namespace borgo::tools::lsp
