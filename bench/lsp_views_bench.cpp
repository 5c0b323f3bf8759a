// The language server's inlay hints for the whole of the embedded
// scenario's line description, asked as an editor asks once the
// diagnostics are published: the compile is kept, and each request scans
// the document, finds where reading stopped and words every hint.
#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>
#include <string>

#include "bench/lsp_session.hpp"
#include "documents/documents.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::bench {
namespace {

using nlohmann::json;

void BM_LspInlayHintsWholeLine(benchmark::State& state) {
  const std::string text =
      tools::utf8_from_1252(documents::render_lines(documents::line_description()));
  std::int64_t lines = 1;
  for (const char c : text) lines += c == '\n';
  OpenScenario scenario("Borgo_Mar_linea.txt", text);
  if (scenario.notifications != 2) fail_loudly("opening the line publishes no diagnostics");
  const std::string uri = scenario.uri("Borgo_Mar_linea.txt");
  tools::lsp::LanguageServer& server = scenario.server;
  const Clock::time_point now = scenario.now;

  const std::string request = lsp_message("textDocument/inlayHint",
                                          {{"textDocument", {{"uri", uri}}},
                                           {"range",
                                            {{"start", {{"line", 0}, {"character", 0}}},
                                             {"end", {{"line", lines}, {"character", 0}}}}}},
                                          2);
  std::size_t hints = 0;
  for (auto _ : state) {
    const std::vector<std::string> answers = server.receive(request, now);
    if (answers.size() != 1) fail_loudly("no answer to the inlay hints");
    hints = answers[0].size();
    benchmark::DoNotOptimize(hints);
  }
  const json answer = json::parse(server.receive(request, now).at(0));
  if (!answer.contains("result") || answer["result"].empty()) fail_loudly("no inlay hints");
  state.counters["hints"] = static_cast<double>(answer["result"].size());
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_LspInlayHintsWholeLine)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace borgo::bench
