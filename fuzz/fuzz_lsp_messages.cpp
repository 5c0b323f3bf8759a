// The language server's message reader and methods on arbitrary bytes: the
// input is read as a client's stream, and every message read goes to a
// server, which must answer each with JSON-RPC and never stop on bad input.
#include <chrono>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "tools/lsp/protocol/framing.hpp"
#include "tools/lsp/server.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo::tools::lsp;
  std::stringbuf input(std::string(reinterpret_cast<const char*>(data), size));
  // Small limits, so that the fuzzer reaches them.
  MessageReader reader(input, {.longest_header_line = 256,
                               .most_header_lines = 8,
                               .longest_content = std::size_t{1} << 16});
  LanguageServer server;
  LanguageServer::Clock::time_point now{};
  // Each frame consumes input, so the frames are fewer than its bytes.
  for (std::size_t frames = 0; frames <= size; ++frames) {
    const Frame frame = reader.next();
    if (frame.kind == Frame::Kind::kEnd) break;
    if (frame.kind == Frame::Kind::kBadHeader) {
      if (server.bad_frame(frame.problem).size() != 1) std::abort();
      continue;
    }
    std::vector<std::string> replies = server.receive(frame.content, now);
    now += std::chrono::seconds(1);
    for (std::string& reply : server.due(now)) replies.push_back(std::move(reply));
    for (const std::string& reply : replies) {
      const nlohmann::json parsed = nlohmann::json::parse(reply, nullptr, false);
      if (!parsed.is_object() || parsed.value("jsonrpc", "") != "2.0") std::abort();
    }
    if (server.exited()) break;
  }
  return 0;
}
