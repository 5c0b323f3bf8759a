// The language server's edits on the embedded scenario, through its own
// methods: the quick fixes for a cell conflict, each candidate position
// compiled before it is offered, and the formatting of the train
// description.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <string>

#include "bench/lsp_session.hpp"
#include "documents/documents.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::bench {
namespace {

using nlohmann::json;

void BM_LspQuickFixesForACellConflict(benchmark::State& state) {
  // The indicators at 1000 m moved onto the first signal's cell: error 16,
  // on the signal's row in the train description, and on the indicators' row
  // the note that they hold the cell, whose fixes move them.
  std::string line = tools::utf8_from_1252(documents::render_lines(documents::line_description()));
  const std::string row = "indicatori_vmax,  1000,";
  const std::size_t at = line.find(row);
  if (at == std::string::npos) fail_loudly("the line description has no indicators at 1000 m");
  line.replace(at, row.size(), "indicatori_vmax,  1050,");
  OpenScenario scenario("Borgo_Mar_linea.txt", line);
  json conflict;
  for (const json& diagnostic : scenario.published) {
    if (diagnostic["code"] == 16) conflict = diagnostic;
  }
  if (conflict.is_null()) fail_loudly("no error 16 published on the line description");
  const std::string request =
      lsp_message("textDocument/codeAction",
                  {{"textDocument", {{"uri", scenario.uri("Borgo_Mar_linea.txt")}}},
                   {"range", conflict["range"]},
                   {"context", {{"diagnostics", json::array({conflict})}}}},
                  2);
  std::size_t offered = 0;
  for (auto _ : state) offered = scenario.result_of(request).size();
  if (offered != 2) fail_loudly("the conflict has no fix before and after");
  state.counters["fixes"] = static_cast<double>(offered);
}
BENCHMARK(BM_LspQuickFixesForACellConflict)->Unit(benchmark::kMillisecond);

void BM_LspFormattingTheTrainDescription(benchmark::State& state) {
  const std::string name = "Borgo_Mar_TX 903-.txt";
  OpenScenario scenario(
      name, tools::utf8_from_1252(documents::render_lines(documents::train_description())));
  const std::string request = lsp_message("textDocument/formatting",
                                          {{"textDocument", {{"uri", scenario.uri(name)}}},
                                           {"options", {{"tabSize", 8}, {"insertSpaces", true}}}},
                                          3);
  std::size_t edits = 0;
  for (auto _ : state) edits = scenario.result_of(request).size();
  state.counters["edits"] = static_cast<double>(edits);
}
BENCHMARK(BM_LspFormattingTheTrainDescription)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace borgo::bench
