#pragma once

// The language server's methods, from one message's content to the messages
// it answers with, with no stream of its own: the session (session.hpp)
// frames and carries them, and the tests call it directly.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/lsp/documents.hpp"

namespace borgo::tools::lsp {

struct ServerOptions {
  // How long a change waits for the next before its diagnostics are
  // published; a burst of changes is compiled once.
  std::chrono::milliseconds debounce{20};
};

class LanguageServer {
 public:
  using Clock = std::chrono::steady_clock;

  // A document opened past `limits` is not kept, and the client is told.
  explicit LanguageServer(ServerOptions options = {}, DocumentLimits limits = {});
  ~LanguageServer();
  LanguageServer(const LanguageServer&) = delete;
  LanguageServer& operator=(const LanguageServer&) = delete;

  // A message's content: the messages to send back, each a JSON text. A
  // content that is not JSON, or not a request or notification, is answered
  // with the JSON-RPC error due, never thrown.
  std::vector<std::string> receive(std::string_view content, Clock::time_point now);
  // A message whose header could not be read: the parse error to send.
  std::vector<std::string> bad_frame(std::string_view problem);
  // The diagnostics whose wait has ended by `now`, published.
  std::vector<std::string> due(Clock::time_point now);
  // When due() next has something to publish.
  std::optional<Clock::time_point> next_due() const;

  bool exited() const;
  // The process's exit status: 0 when shutdown came before exit, 1 otherwise.
  int exit_status() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace borgo::tools::lsp
