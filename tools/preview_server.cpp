#include "tools/preview_server.hpp"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "tools/preview_page.hpp"

namespace borgo::tools {
namespace {

constexpr const char* kLoopback = "127.0.0.1";
// Each event stream holds a worker for as long as its page stays open; the
// streams are bounded well below the workers, so that the page and its files
// are always served.
constexpr std::size_t kWorkers = 12;
constexpr int kMostStreams = 4;
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

}  // namespace

struct PreviewServer::Impl {
  httplib::Server server;
  int port = 0;
  std::thread listener;
  std::atomic<bool> listened = false;  // the listening has ended

  // The listener takes a moment to begin, and the server can only be stopped
  // once it has: waits for that, or for the listening to have failed.
  void await_listening() const {
    for (int i = 0; i < 10000 && !server.is_running() && !listened; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

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

  void routes();
  void events(httplib::Response& res);
};

void PreviewServer::Impl::routes() {
  server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (!req.has_header("Host")) {
      res.status = 400;
      res.set_content("a request without a Host header\n", "text/plain");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (!host_is_ours(req.get_header_value("Host"))) {
      res.status = 403;
      res.set_content("this server answers only to its own address\n", "text/plain");
      return httplib::Server::HandlerResponse::Handled;
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
  server.set_default_headers({{"Cache-Control", "no-store"},
                              {"X-Content-Type-Options", "nosniff"},
                              {"Referrer-Policy", "no-referrer"},
                              {"X-Frame-Options", "DENY"}});

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
  impl_->server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  // One request a connection: no idle connection keeps a worker, and the
  // unread body of a refused request cannot be taken for the next request.
  impl_->server.set_keep_alive_max_count(1);
  impl_->server.set_payload_max_length(64 * 1024);
  // The port is this server's alone: no other socket, of this user's or
  // another's, may listen on it beside it and take a share of its requests.
  impl_->server.set_socket_options([](socket_t sock) {
    int yes = 1;
#ifdef _WIN32
    setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<char*>(&yes), sizeof yes);
#else
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
  });
  impl_->routes();
  if (port == 0) {
    impl_->port = impl_->server.bind_to_any_port(kLoopback);
    if (impl_->port <= 0) throw PreviewServerError("cannot listen on 127.0.0.1");
  } else {
    if (!impl_->server.bind_to_port(kLoopback, port)) {
      throw PreviewServerError("cannot listen on 127.0.0.1:" + std::to_string(port) +
                               " (is the port taken?)");
    }
    impl_->port = port;
  }
  impl_->listener = std::thread([impl = impl_.get()] {
    impl->server.listen_after_bind();
    impl->listened = true;
  });
  impl_->await_listening();
  if (impl_->listened) {
    impl_->listener.join();
    throw PreviewServerError("cannot listen on 127.0.0.1:" + std::to_string(impl_->port));
  }
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
  if (!impl_->listener.joinable()) return;
  impl_->await_listening();
  if (impl_->server.is_running()) impl_->server.stop();
  impl_->listener.join();
}

}  // namespace borgo::tools
