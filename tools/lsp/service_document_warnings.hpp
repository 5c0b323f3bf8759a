#pragma once

// The service documents beside a pair of descriptions, when they no longer
// go with them: a warning on the description row each difference concerns
// (on the train description's first line when it concerns none), naming the
// document and its line.

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/lsp/analysis.hpp"
#include "tools/lsp/protocol/positions.hpp"

namespace borgo::tools::lsp {

// Adds them to `diagnostics`, by the URI of the document they are on.
void add_service_document_warnings(const CompiledPair& compiled, PositionEncoding encoding,
                                   std::map<std::string, nlohmann::json>& diagnostics);

}  // namespace borgo::tools::lsp
