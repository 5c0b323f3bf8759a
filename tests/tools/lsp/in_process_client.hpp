#pragma once

// A client talking to the language server in-process, on a clock of its
// own: the server's tests send it messages and read its answers.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/lsp/documents.hpp"
#include "tools/lsp/server.hpp"

namespace borgo::tools::lsp {

using nlohmann::json;

class Client {
 public:
  explicit Client(DocumentLimits limits = {})
      : server(ServerOptions{.debounce = std::chrono::milliseconds(20)}, limits) {}

  LanguageServer server;
  LanguageServer::Clock::time_point now =
      LanguageServer::Clock::time_point() + std::chrono::hours(1);

  std::vector<json> send_text(const std::string& content) {
    return parsed(server.receive(content, now));
  }
  std::vector<json> send(const json& message) { return send_text(message.dump()); }
  void notify(const std::string& method, json params) {
    EXPECT_EQ(send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}}),
              std::vector<json>());
  }
  // The answer to a request.
  json request(const std::string& method, json params) {
    const std::vector<json> replies = send(
        {{"jsonrpc", "2.0"}, {"id", ++id_}, {"method", method}, {"params", std::move(params)}});
    if (replies.size() != 1 || replies[0]["id"] != id_) {
      ADD_FAILURE() << method << ": no answer";
      return nullptr;
    }
    return replies[0].value("result", json());
  }
  void initialize(json capabilities = json::object()) {
    request("initialize", {{"processId", nullptr}, {"capabilities", std::move(capabilities)}});
    notify("initialized", json::object());
  }
  // Time passes: the diagnostics published, by URI.
  std::map<std::string, json> wait(std::chrono::milliseconds time = std::chrono::seconds(1)) {
    now += time;
    std::map<std::string, json> out;
    for (const json& message : parsed(server.due(now))) {
      EXPECT_EQ(message["method"], "textDocument/publishDiagnostics");
      out[message["params"]["uri"]] = message["params"]["diagnostics"];
    }
    return out;
  }
  // A document opened or changed: what the server says of it.
  std::vector<json> send_open(const std::string& uri, const std::string& text) {
    return send(
        {{"jsonrpc", "2.0"},
         {"method", "textDocument/didOpen"},
         {"params",
          {{"textDocument",
            {{"uri", uri}, {"languageId", "plaintext"}, {"version", 1}, {"text", text}}}}}});
  }
  std::vector<json> send_change(const std::string& uri, const std::string& text) {
    return send({{"jsonrpc", "2.0"},
                 {"method", "textDocument/didChange"},
                 {"params",
                  {{"textDocument", {{"uri", uri}, {"version", ++version_}}},
                   {"contentChanges", json::array({{{"text", text}}})}}}});
  }
  void open(const std::string& uri, const std::string& text) {
    EXPECT_EQ(send_open(uri, text), std::vector<json>());
  }
  void change(const std::string& uri, const std::string& text) {
    EXPECT_EQ(send_change(uri, text), std::vector<json>());
  }
  static json at(const std::string& uri, int line, int character) {
    return {{"textDocument", {{"uri", uri}}},
            {"position", {{"line", line}, {"character", character}}}};
  }

 private:
  static std::vector<json> parsed(const std::vector<std::string>& texts) {
    std::vector<json> out;
    for (const std::string& text : texts) out.push_back(json::parse(text));
    return out;
  }
  int id_ = 100;
  int version_ = 1;
};

inline std::string uri_of(const std::filesystem::path& path) {
  std::string uri = "file://";
  const std::string generic = path.generic_string();
  if (!generic.starts_with('/')) uri += '/';
  return uri_beside(uri + generic, path.filename().string());
}

}  // namespace borgo::tools::lsp
