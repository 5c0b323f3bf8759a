#pragma once

// The language server as the benchmarks drive it: the embedded scenario's
// two descriptions in a scratch folder, one of them open in the server with
// the text given, and what the server published once it had compiled them.

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "bench/bench_support.hpp"
#include "documents/documents.hpp"
#include "tools/lsp/documents.hpp"
#include "tools/lsp/server.hpp"

namespace borgo::bench {

using Clock = tools::lsp::LanguageServer::Clock;

inline std::string lsp_message(const std::string& method, nlohmann::json params, int id = 0) {
  nlohmann::json out = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
  if (id != 0) out["id"] = id;
  return out.dump();
}

struct OpenScenario {
  ScratchFolder folder{"lsp-bench"};
  tools::lsp::ServerOptions options;
  tools::lsp::LanguageServer server{options};
  Clock::time_point now = Clock::now();
  nlohmann::json published;       // the open document's diagnostics
  std::size_t notifications = 0;  // all that opening it published

  OpenScenario(const std::string& name, const std::string& text) {
    write_plainly(
        folder.path(),
        {{"Borgo_Mar_linea.txt", documents::render_lines(documents::line_description())},
         {"Borgo_Mar_TX 903-.txt", documents::render_lines(documents::train_description())}});
    server.receive(lsp_message("initialize", {{"capabilities", nlohmann::json::object()}}, 1), now);
    server.receive(lsp_message("initialized", nlohmann::json::object()), now);
    server.receive(
        lsp_message(
            "textDocument/didOpen",
            {{"textDocument",
              {{"uri", uri(name)}, {"languageId", "text"}, {"version", 1}, {"text", text}}}}),
        now);
    now += std::chrono::seconds(1);
    for (const std::string& sent : server.due(now)) {
      ++notifications;
      const nlohmann::json notification = nlohmann::json::parse(sent);
      if (notification["params"]["uri"] == uri(name))
        published = notification["params"]["diagnostics"];
    }
  }

  std::string uri(const std::string& name) const {
    return tools::lsp::uri_beside("file://" + folder.path().string() + "/x", name);
  }

  // The result of a request answered at once; null when it has none.
  nlohmann::json result_of(const std::string& request) {
    return nlohmann::json::parse(server.receive(request, now).at(0))
        .value("result", nlohmann::json());
  }
};

}  // namespace borgo::bench
