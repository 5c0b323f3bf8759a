#pragma once

// Where one row points at another: from a row whose feature found its cell
// taken, the row that holds that cell.

#include <nlohmann/json.hpp>

#include "compiler/field_reader.hpp"
#include "tools/lsp/analysis.hpp"
#include "tools/lsp/protocol/positions.hpp"

namespace borgo::tools::lsp {

// The locations the row under `at` (1-based line, byte column) of `document`
// points at; an empty array when it points at none.
nlohmann::json definition(const CompiledPair& compiled, compiler::Document document,
                          compiler::FieldLocation at, PositionEncoding encoding);

}  // namespace borgo::tools::lsp
