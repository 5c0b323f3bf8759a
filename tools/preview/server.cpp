#include "tools/preview/server.hpp"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "tools/preview/connections.hpp"
#include "tools/preview/page.hpp"

namespace borgo::tools {
namespace {

constexpr const char* kLoopback = "127.0.0.1";
// Each event stream holds one of the gate's workers for as long as its page
// stays open; the streams are bounded well below the workers
// (ConnectionLimits::workers), so that the page and its files are always
// served.
constexpr int kMostStreams = 4;
// On every answer, the gate's refusals included.
const ConnectionGate::Headers kAlwaysSent{{"Cache-Control", "no-store"},
                                          {"X-Content-Type-Options", "nosniff"},
                                          {"Referrer-Policy", "no-referrer"},
                                          {"X-Frame-Options", "DENY"}};
// How often a waiting stream looks whether the server is stopping, and how
// often it says it is still there (which also finds a page that has gone).
constexpr auto kStreamWake = std::chrono::milliseconds(100);
constexpr auto kHeartbeat = std::chrono::seconds(10);

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// The HTTP library's server without its own listening: the gate hands it
// each connection whose request head has come in whole.
class GatedServer : public httplib::Server {
 public:
  void serve(httplib::Stream& stream) {
    bool closed = false;
    process_request(stream, true, closed, nullptr);
  }
  // An answer streamed bit by bit goes on while this holds.
  void set_serving(bool serving) { svr_sock_ = serving ? serving_mark() : INVALID_SOCKET; }

 private:
  // Any socket number but the invalid one: the library only compares.
  static socket_t serving_mark() { return INVALID_SOCKET == 0 ? 1 : 0; }
};

}  // namespace

struct PreviewServer::Impl {
  GatedServer server;
  std::atomic<int> port = 0;  // read by the workers, which may start first
  std::unique_ptr<ConnectionGate> gate;

  std::mutex mutex;
  std::condition_variable published;
  std::shared_ptr<const PreviewState> state;
  bool stopping = false;
  int streams = 0;

  std::shared_ptr<const PreviewState> current() {
    const std::lock_guard lock(mutex);
    return state;
  }

  bool host_is_ours(std::string_view host) const {
    const std::string port_part = ":" + std::to_string(port);
    return equal_ignoring_case(host, kLoopback + port_part) ||
           equal_ignoring_case(host, "localhost" + port_part);
  }
  bool origin_is_ours(std::string_view origin) const {
    return origin.substr(0, 7) == "http://" && host_is_ours(origin.substr(7));
  }

  void routes();
  void events(httplib::Response& res);
};

void PreviewServer::Impl::routes() {
  server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    const auto refuse = [&res](int status, const char* why) {
      res.status = status;
      res.set_content(why, "text/plain");
      return httplib::Server::HandlerResponse::Handled;
    };
    if (!req.has_header("Host")) return refuse(400, "a request without a Host header\n");
    // A header given twice may be taken one way here and the other way by
    // whatever stands between: each of these comes once or not at all.
    for (const char* name : {"Host", "Origin", "Sec-Fetch-Site"}) {
      if (req.get_header_value_count(name) > 1) return refuse(400, "a header given twice\n");
    }
    if (!host_is_ours(req.get_header_value("Host"))) {
      return refuse(403, "this server answers only to its own address\n");
    }
    // Another page in the browser, of any site or of another port here, may
    // send requests here too; the browser says whose they are.
    if (req.has_header("Origin") && !origin_is_ours(req.get_header_value("Origin"))) {
      return refuse(403, "this server answers only its own page\n");
    }
    const std::string site = req.get_header_value("Sec-Fetch-Site");
    if (req.has_header("Sec-Fetch-Site") && site != "same-origin" && site != "none") {
      return refuse(403, "this server answers only its own page\n");
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    const char* reason = res.status == 404   ? "nothing here"
                         : res.status == 400 ? "a malformed request"
                                             : "refused";
    res.set_content(std::to_string(res.status) + " " + reason + "\n", "text/plain");
  });
  server.set_default_headers(httplib::Headers(kAlwaysSent.begin(), kAlwaysSent.end()));

  // The patterns are whole-path regular expressions: exact paths only.
  const auto exact = [](std::string_view path) {
    std::string pattern;
    for (char c : path) {
      if (c == '.') pattern += '\\';
      pattern += c;
    }
    return pattern;
  };
  server.Get(exact(preview_path::kPage), [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; script-src 'self'; connect-src 'self'; img-src 'self'; "
                   "style-src 'self' 'unsafe-inline'; base-uri 'none'; form-action 'none'; "
                   "frame-ancestors 'none'");
    res.set_content(std::string(preview_page_html()), "text/html; charset=utf-8");
  });
  server.Get(exact(preview_path::kScript), [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(preview_page_script()), "application/javascript; charset=utf-8");
  });
  server.Get(exact(preview_path::kOutcome),
             [this](const httplib::Request&, httplib::Response& res) {
               res.set_content(current()->outcome_json, "application/json");
             });
  server.Get(exact(preview_path::kDrawing),
             [this](const httplib::Request&, httplib::Response& res) {
               const std::shared_ptr<const PreviewState> now = current();
               if (!now->drawing) {
                 res.status = 404;
                 res.set_content("nothing is drawn yet\n", "text/plain");
                 return;
               }
               res.set_content(*now->drawing, "image/svg+xml");
             });
  server.Get(exact(preview_path::kEvents),
             [this](const httplib::Request&, httplib::Response& res) { events(res); });
}

void PreviewServer::Impl::events(httplib::Response& res) {
  {
    const std::lock_guard lock(mutex);
    if (streams >= kMostStreams) {
      res.status = 503;
      res.set_header("Retry-After", "5");
      res.set_content("too many open pages\n", "text/plain");
      return;
    }
    ++streams;
  }
  struct Stream {
    std::uint64_t told = 0;  // the generation the page was last told of
    bool greeted = false;
    std::chrono::steady_clock::time_point last_said = std::chrono::steady_clock::now();
  };
  res.set_chunked_content_provider(
      "text/event-stream",
      [this, stream = Stream{}](std::size_t, httplib::DataSink& sink) mutable {
        std::string message;
        {
          std::unique_lock lock(mutex);
          published.wait_for(lock, kStreamWake,
                             [&] { return stopping || state->generation != stream.told; });
          if (stopping) return false;
          if (!stream.greeted) {
            message = "retry: 1000\n\n";
            stream.greeted = true;
          }
          if (state->generation != stream.told) {
            stream.told = state->generation;
            const std::string n = std::to_string(stream.told);
            message += "id: " + n + "\ndata: " + n + "\n\n";
          }
        }
        const auto now = std::chrono::steady_clock::now();
        if (message.empty() && now - stream.last_said >= kHeartbeat) message = ": still here\n\n";
        if (message.empty()) return true;
        stream.last_said = now;
        return sink.write(message.data(), message.size());
      },
      [this](bool) {
        const std::lock_guard lock(mutex);
        --streams;
      });
}

PreviewServer::PreviewServer(int port, std::shared_ptr<const PreviewState> first)
    : impl_(std::make_unique<Impl>()) {
  impl_->state = std::move(first);
  impl_->routes();
  impl_->server.set_serving(true);
  try {
    impl_->gate = std::make_unique<ConnectionGate>(
        port, ConnectionLimits{}, kAlwaysSent,
        [impl = impl_.get()](httplib::Stream& stream) { impl->server.serve(stream); });
  } catch (const ConnectionGateError&) {
    if (port == 0) throw PreviewServerError("cannot listen on 127.0.0.1");
    throw PreviewServerError("cannot listen on 127.0.0.1:" + std::to_string(port) +
                             " (is the port taken?)");
  }
  impl_->port = impl_->gate->port();
}

PreviewServer::~PreviewServer() { stop(); }

int PreviewServer::port() const { return impl_->port; }

std::string PreviewServer::url() const {
  return "http://" + std::string(kLoopback) + ":" + std::to_string(impl_->port) + "/";
}

void PreviewServer::publish(std::shared_ptr<const PreviewState> state) {
  {
    const std::lock_guard lock(impl_->mutex);
    impl_->state = std::move(state);
  }
  impl_->published.notify_all();
}

void PreviewServer::stop() {
  {
    const std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->published.notify_all();
  impl_->server.set_serving(false);
  if (impl_->gate) impl_->gate->stop();
}

}  // namespace borgo::tools
