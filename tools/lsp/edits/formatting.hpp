#pragma once

// Formatting: a description's values laid out in columns (tools/layout), as
// TextEdits of the lines that change.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>

#include "tools/lsp/documents.hpp"
#include "tools/lsp/protocol/positions.hpp"

namespace borgo::tools::lsp {

// The 0-based lines a range formatting asks for, both included.
struct LineSpan {
  std::int64_t first = 0;
  std::int64_t last = 0;
};

// The TextEdits that lay `text` out, each replacing one whole line; with
// `only`, just those of the lines in it (the runs of rows are still told by
// the whole document). None past the last line.
nlohmann::json formatting_edits(const DocumentText& text, PositionEncoding encoding,
                                std::optional<LineSpan> only = std::nullopt);

}  // namespace borgo::tools::lsp
