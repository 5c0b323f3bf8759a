#include "tools/lsp/service_document_warnings.hpp"

#include <optional>

#include "tools/drafting/document_check.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::lsp {

void add_service_document_warnings(const CompiledPair& compiled, PositionEncoding encoding,
                                   std::map<std::string, nlohmann::json>& diagnostics) {
  const Pairing& pairing = compiled.pairing;
  // Buffers without a file on disk have no documents beside them.
  if (!pairing.train || !compiled.train || pairing.line_path.empty()) return;
  const std::string& line = pairing.line.line;
  const std::string& train = pairing.train->train;
  const std::vector<drafting::LocatedFinding> findings = drafting::check_documents_in(
      pairing.line_path.parent_path(), line, train, windows_1252_copy(line).text,
      windows_1252_copy(train).text, compiled.compilation);
  for (const drafting::LocatedFinding& stale : findings) {
    compiler::Document on = compiler::Document::kTrainDescription;
    nlohmann::json range = {{"start", {{"line", 0}, {"character", 0}}},
                            {"end", {{"line", 0}, {"character", 0}}}};
    if (stale.finding.row && compiled.text(stale.finding.row->document)) {
      on = stale.finding.row->document;
      range = PositionMap(*compiled.text(on), encoding).field_range(stale.finding.row->key);
    }
    diagnostics[compiled.uri(on)].push_back(
        {{"range", range},
         {"severity", 2},  // a warning
         {"source", "scenario-tool"},
         {"message", stale.path.filename().string() + ":" + std::to_string(stale.finding.line) +
                         ": " + stale.finding.message}});
  }
}

}  // namespace borgo::tools::lsp
