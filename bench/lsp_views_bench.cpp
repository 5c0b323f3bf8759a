// The language server's inlay hints for the whole of the embedded
// scenario's line description, asked as an editor asks once the
// diagnostics are published: the compile is kept, and each request scans
// the document, finds where reading stopped and words every hint.
#include <benchmark/benchmark.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "bench/bench_support.hpp"
#include "documents/documents.hpp"
#include "tools/lsp/documents.hpp"
#include "tools/lsp/server.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::bench {
namespace {

using nlohmann::json;
using Clock = tools::lsp::LanguageServer::Clock;

std::string message(const std::string& method, json params, int id = 0) {
  json out = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
  if (id != 0) out["id"] = id;
  return out.dump();
}

void BM_LspInlayHintsWholeLine(benchmark::State& state) {
  const std::string line = documents::render_lines(documents::line_description());
  const std::string train = documents::render_lines(documents::train_description());
  ScratchFolder folder("lsp-views-bench");
  write_plainly(folder.path(), {{"Borgo_Mar_linea.txt", line}, {"Borgo_Mar_TX 903-.txt", train}});
  const std::string uri =
      tools::lsp::uri_beside("file://" + folder.path().string() + "/x", "Borgo_Mar_linea.txt");
  const std::string text = tools::utf8_from_1252(line);
  std::int64_t lines = 1;
  for (const char c : text) lines += c == '\n';

  tools::lsp::LanguageServer server(tools::lsp::ServerOptions{});
  Clock::time_point now = Clock::now();
  server.receive(message("initialize", {{"capabilities", json::object()}}, 1), now);
  server.receive(message("initialized", json::object()), now);
  server.receive(
      message("textDocument/didOpen",
              {{"textDocument",
                {{"uri", uri}, {"languageId", "text"}, {"version", 1}, {"text", text}}}}),
      now);
  now += std::chrono::seconds(1);
  if (server.due(now).size() != 2) fail_loudly("opening the line publishes no diagnostics");

  const std::string request = message("textDocument/inlayHint",
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
