#include "tools/lsp/diagnostics.hpp"

#include <optional>
#include <utility>

#include "compiler/description_format.hpp"
#include "tools/findings/compile_findings.hpp"
#include "tools/lsp/service_document_warnings.hpp"
#include "tools/shared/cell_kinds.hpp"

namespace borgo::tools::lsp {
namespace {

using compiler::Document;
using nlohmann::json;

enum Severity { kError = 1, kWarning = 2, kInformation = 3 };

constexpr std::string_view kSource = "scenario-tool";

Document other(Document document) {
  return document == Document::kLineDescription ? Document::kTrainDescription
                                                : Document::kLineDescription;
}

json start_range() {
  const json start = {{"line", 0}, {"character", 0}};
  return {{"start", start}, {"end", start}};
}

class Publisher {
 public:
  Publisher(const CompiledPair& compiled, PositionEncoding encoding) : compiled_(compiled) {
    for (const Document document : {Document::kLineDescription, Document::kTrainDescription}) {
      if (compiled.text(document))
        maps_[index(document)].emplace(*compiled.text(document), encoding);
    }
  }

  std::map<std::string, json> run() {
    const compiler::CompileOutcome& outcome = compiled_.compilation.outcome;
    FindingMaker findings(outcome, *compiled_.compilation.model, compiled_.line_bytes,
                          compiled_.train_bytes);
    std::map<std::pair<int, int>, std::size_t> of_kind;
    std::map<std::pair<int, int>, std::size_t> left_out;
    std::map<std::pair<int, int>, json> last_shown;
    for (std::size_t i = 0; i < findings.warning_count(); ++i) {
      const int document =
          static_cast<int>(findings.warning_document(i).value_or(Document::kLineDescription));
      const std::pair<int, int> group{document, static_cast<int>(findings.warning_kind(i))};
      if (++of_kind[group] > kMostWarningsOfAKind) {
        ++left_out[group];
        continue;
      }
      const Finding warning = findings.warning(i);
      json diagnostic = base(warning, kWarning);
      last_shown[group] = diagnostic["range"];
      add(warning.document.value_or(Document::kLineDescription), std::move(diagnostic));
    }
    for (const auto& [group, count] : left_out) {
      add(static_cast<Document>(group.first),
          {{"range", last_shown[group]},
           {"severity", kInformation},
           {"source", kSource},
           {"message", std::to_string(count) + " more " + (count == 1 ? "warning" : "warnings") +
                           " of this kind in this document " + (count == 1 ? "is" : "are") +
                           " not shown"}});
    }
    if (std::optional<Finding> error = findings.error()) add_error(*error);
    if (std::optional<Finding> fatal = findings.fatal()) add_error(*fatal);
    add_unheld(Document::kLineDescription);
    add_unheld(Document::kTrainDescription);
    return std::move(out_);
  }

 private:
  static std::size_t index(Document document) { return static_cast<std::size_t>(document); }

  const PositionMap* map(Document document) const {
    const auto& slot = maps_[index(document)];
    return slot ? &*slot : nullptr;
  }

  json range(Document document, const std::optional<compiler::FieldLocation>& at,
             std::size_t length = 0) const {
    const PositionMap* positions = map(document);
    if (positions == nullptr || !at) return start_range();
    if (length > 0) {
      return {
          {"start", positions->position(at->line, at->column)},
          {"end", positions->position(at->line, at->column + static_cast<std::int32_t>(length))}};
    }
    return positions->field_range(*at);
  }

  json base(const Finding& finding, Severity severity) const {
    json diagnostic = {{"range", range(finding.document.value_or(Document::kLineDescription),
                                       finding.at, finding.length)},
                       {"severity", severity},
                       {"source", kSource},
                       {"message", finding.message}};
    if (finding.warning) {
      diagnostic["code"] = compiler::format::warning(*finding.warning).name;
    } else {
      diagnostic["code"] = finding.number;
    }
    if (finding.related && map(finding.related->document) != nullptr) {
      diagnostic["relatedInformation"] =
          json::array({{{"location",
                         {{"uri", compiled_.uri(finding.related->document)},
                          {"range", range(finding.related->document, finding.related->at)}}},
                        {"message", finding.related->says}}});
    }
    return diagnostic;
  }

  // A finding on a document that is not there goes on its partner, naming it.
  void add(Document document, json diagnostic) {
    if (!compiled_.text(document)) {
      const std::string missing = document == Document::kLineDescription
                                      ? file_name_of(compiled_.pairing.line)
                                      : file_name_of_uri(compiled_.pairing.train_uri);
      diagnostic["message"] = missing + ": " + diagnostic["message"].get<std::string>();
      diagnostic["range"] = start_range();
      document = other(document);
      if (!compiled_.text(document)) return;
    }
    out_[compiled_.uri(document)].push_back(std::move(diagnostic));
  }

  void add_error(const Finding& finding) {
    if (!compiled_.pairing.train && finding.document == Document::kTrainDescription &&
        !finding.at) {
      // No train beside the line: the line is checked on its own.
      add(Document::kLineDescription,
          {{"range", start_range()},
           {"severity", kInformation},
           {"source", kSource},
           {"message",
            "no train description of this line beside it (" +
                file_name_of({Document::kTrainDescription, compiled_.pairing.line.line, "TRAIN"}) +
                "): the line is checked on its own"}});
      return;
    }
    json diagnostic = base(finding, kError);
    Document document = finding.document.value_or(Document::kLineDescription);
    if (finding.holder && !finding.document) {
      // A fatal contest error stands on the row holding the contest cell.
      document = finding.holder->document;
      diagnostic["range"] = range(document, finding.holder->position);
    }
    if (finding.holder && finding.cell && finding.document) {
      const CellHolder& holder = *finding.holder;
      const std::string cell = cell_range(*finding.cell);
      const json holder_range = range(holder.document, holder.position);
      diagnostic["relatedInformation"] = json::array(
          {{{"location", {{"uri", compiled_.uri(holder.document)}, {"range", holder_range}}},
            {"message", cell + " is held by this \"" + std::string(holder.row) + "\" row"}}});
      // The same conflict seen from the row that holds the cell.
      add(holder.document,
          {{"range", holder_range},
           {"severity", kInformation},
           {"source", kSource},
           {"code", finding.number},
           {"message", "this \"" + std::string(holder.row) + "\" row holds " + cell +
                           ", which error " + std::to_string(finding.number) +
                           " finds taken: " + finding.message},
           {"relatedInformation",
            json::array(
                {{{"location", {{"uri", compiled_.uri(document)}, {"range", diagnostic["range"]}}},
                  {"message", "error " + std::to_string(finding.number) + " here"}}})}});
    }
    add(document, std::move(diagnostic));
  }

  // Characters typed that Windows-1252 lacks: the simulator cannot read them.
  void add_unheld(Document document) {
    const std::optional<DocumentText>& text = compiled_.text(document);
    if (!text || text->unheld == 0) return;
    const compiler::FieldLocation at = map(document)->location_of_offset(text->first_unheld);
    const json start = map(document)->position(at.line, at.column);
    const json end = map(document)->position(at.line, at.column + 1);
    add(document,
        {{"range", {{"start", start}, {"end", end}}},
         {"severity", kWarning},
         {"source", kSource},
         {"code", "not-windows-1252"},
         {"message", std::to_string(text->unheld) +
                         (text->unheld == 1 ? " character" : " characters") +
                         " that Windows-1252 cannot hold, the first here: the simulator reads "
                         "the document in Windows-1252; each is checked as \"?\""}});
  }

  const CompiledPair& compiled_;
  std::optional<PositionMap> maps_[2];
  std::map<std::string, json> out_;
};

}  // namespace

std::map<std::string, json> diagnostics_of(const CompiledPair& compiled,
                                           PositionEncoding encoding) {
  std::map<std::string, json> diagnostics = Publisher(compiled, encoding).run();
  add_service_document_warnings(compiled, encoding, diagnostics);
  return diagnostics;
}

}  // namespace borgo::tools::lsp
