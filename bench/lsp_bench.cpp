// The language server: the time from a change of the embedded scenario's
// line description to its published diagnostics, through the server's own
// methods (the message's JSON, the compile of both documents, the findings
// and their positions, the message sent back), the train description read
// from disk as it is when it is not open. The debounce, a wait the server
// takes on purpose, is added to it as `to_published_ms`. The baseline is the
// least work giving the same verdict: the compile of the same bytes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "bench/lsp_session.hpp"
#include "documents/documents.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::bench {
namespace {

using nlohmann::json;

void BM_LspChangeToDiagnostics(benchmark::State& state) {
  const std::string line = documents::render_lines(documents::line_description());
  const std::string train = documents::render_lines(documents::train_description());

  // Two versions of the line, in the editor's UTF-8: the indicators at
  // 1000 m, and moved onto the first signal's cell, which error 16 reports.
  const std::string clean = tools::utf8_from_1252(line);
  std::string conflict = clean;
  const std::string row = "indicatori_vmax,  1000,";
  const std::size_t at = conflict.find(row);
  if (at == std::string::npos) fail_loudly("the line description has no indicators at 1000 m");
  conflict.replace(at, row.size(), "indicatori_vmax,  1050,");
  const std::string moved = tools::windows_1252_from_utf8(conflict).text.value_or("");

  OpenScenario scenario("Borgo_Mar_linea.txt", clean);
  if (scenario.notifications != 2) fail_loudly("opening the line publishes no diagnostics");
  const std::string uri = scenario.uri("Borgo_Mar_linea.txt");
  tools::lsp::LanguageServer& server = scenario.server;
  const tools::lsp::ServerOptions& options = scenario.options;
  Clock::time_point& now = scenario.now;

  double work = 0;
  double baseline = 0;
  int version = 1;
  for (auto _ : state) {
    const bool with_conflict = version % 2 == 1;
    const std::string change = lsp_message(
        "textDocument/didChange",
        {{"textDocument", {{"uri", uri}, {"version", ++version}}},
         {"contentChanges", json::array({{{"text", with_conflict ? conflict : clean}}})}});
    std::size_t published = 0;
    const double seconds = seconds_of([&] {
      server.receive(change, now);
      now += options.debounce;
      published = server.due(now).size();
    });
    // Both documents' diagnostics change each time: the conflict comes and goes.
    if (published != 2) fail_loudly("a change published no diagnostics");
    state.SetIterationTime(seconds);
    work += seconds;
    baseline += seconds_of([&] {
      const compiler::Compilation compilation =
          compile_scenario(with_conflict ? std::string_view(moved) : std::string_view(line), train);
      benchmark::DoNotOptimize(compilation.outcome.error_number);
    });
  }
  const double n = static_cast<double>(state.iterations());
  const double debounce_ms = static_cast<double>(options.debounce.count());
  state.counters["debounce_ms"] = debounce_ms;
  state.counters["baseline_compile_ms"] = 1e3 * baseline / n;
  state.counters["to_published_ms"] = debounce_ms + 1e3 * work / n;
  state.counters["ratio_to_baseline"] = work / baseline;
}
BENCHMARK(BM_LspChangeToDiagnostics)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
}  // namespace borgo::bench
