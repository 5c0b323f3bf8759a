#include "tools/lsp/edits/formatting.hpp"

#include "tools/findings/diagnostics.hpp"
#include "tools/layout/column_layout.hpp"

namespace borgo::tools::lsp {

nlohmann::json formatting_edits(const DocumentText& text, PositionEncoding encoding,
                                std::optional<LineSpan> only) {
  nlohmann::json edits = nlohmann::json::array();
  // Only blanks change, and blanks are the same byte in UTF-8 and in
  // Windows-1252: the editor's text is laid out as it stands.
  const LineIndex lines(text.text);
  for (layout::LineChange& change : layout::column_layout(text.text)) {
    const auto line = static_cast<std::int64_t>(change.line);
    if (only && (line < only->first || line > only->last)) continue;
    const std::string_view was = lines.line(line + 1).value_or("");
    const std::int64_t end = units_before(was, was.size(), Counted::kBytes, encoding);
    edits.push_back({{"range",
                      {{"start", {{"line", line}, {"character", 0}}},
                       {"end", {{"line", line}, {"character", end}}}}},
                     {"newText", std::move(change.text)}});
  }
  return edits;
}

}  // namespace borgo::tools::lsp
