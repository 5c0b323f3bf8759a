#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tools/preview/build.hpp"

namespace borgo::tools {

// The server's few paths; nothing else is answered, and no request is ever
// mapped to a file.
namespace preview_path {
inline constexpr std::string_view kPage = "/";
inline constexpr std::string_view kScript = "/preview.js";
inline constexpr std::string_view kDrawing = "/drawing.svg";
inline constexpr std::string_view kOutcome = "/outcome.json";
inline constexpr std::string_view kEvents = "/events";
}  // namespace preview_path

// A server that cannot start: the port is taken, say.
class PreviewServerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Serves the preview page on the loopback interface only. GET and HEAD of
// its paths are answered; any other path or method gets 404, a malformed
// request 400. The Host header must name the server as 127.0.0.1 or
// localhost with its port (403 otherwise, 400 without one or with two), so
// that a page elsewhere cannot reach it under a name rebound to 127.0.0.1;
// a request that the browser says comes from another page (its Origin or
// Sec-Fetch-Site) gets 403. The event stream tells each open page the
// generation of every new build. Every connection passes a ConnectionGate
// first: a slow, large or malformed request head is refused there and holds
// no worker, and stop() ends at once whatever the clients do.
class PreviewServer {
 public:
  // Listens on 127.0.0.1:port, a free port when `port` is 0.
  PreviewServer(int port, std::shared_ptr<const PreviewState> first);
  ~PreviewServer();  // stops
  PreviewServer(const PreviewServer&) = delete;
  PreviewServer& operator=(const PreviewServer&) = delete;

  int port() const;
  std::string url() const;

  // Hands out `state` from now on and tells the open pages.
  void publish(std::shared_ptr<const PreviewState> state);

  // Ends the listening, the event streams and every open connection, and
  // waits for the workers.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace borgo::tools
