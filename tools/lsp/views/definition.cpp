#include "tools/lsp/views/definition.hpp"

#include <optional>

#include "tools/findings/compile_findings.hpp"

namespace borgo::tools::lsp {
namespace {

using compiler::Document;
using nlohmann::json;

// Whether the cursor stands on the row the finding is about: on its key's
// line or its faulty field's.
bool on_row(const Finding& finding, Document document, compiler::FieldLocation at) {
  if (finding.document != document) return false;
  if (finding.at && finding.at->line == at.line) return true;
  return finding.row && finding.row->document == document && finding.row->key.line == at.line;
}

}  // namespace

json definition(const CompiledPair& compiled, Document document, compiler::FieldLocation at,
                PositionEncoding encoding) {
  json out = json::array();
  if (!compiled.compilation.model || !compiled.text(document)) return out;
  FindingMaker findings(compiled.compilation.outcome, *compiled.compilation.model,
                        compiled.line_bytes, compiled.train_bytes);
  const std::optional<Finding> error = findings.error();
  // A conflict (errors 6, 7 and 16 to 21, a slow-down's board among them).
  if (!error || !error->holder || !error->cell || !error->document || !error->at) return out;
  const CellHolder& holder = *error->holder;
  const auto field_at = [&](Document in, compiler::FieldLocation field) {
    const std::optional<DocumentText>& text = compiled.text(in);
    if (!text) return;
    const PositionMap positions(*text, encoding);
    out.push_back({{"uri", compiled.uri(in)}, {"range", positions.field_range(field)}});
  };
  if (on_row(*error, document, at)) {
    field_at(holder.document, holder.position);  // the row holding the cell
  } else if (holder.document == document && holder.position.line == at.line) {
    field_at(*error->document, *error->at);  // back to the row that found it taken
  }
  return out;
}

}  // namespace borgo::tools::lsp
