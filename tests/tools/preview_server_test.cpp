// The preview server's answers: its few paths, every other request, the
// Host check, malformed requests, and the event stream.
#include "tools/preview_server.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#endif

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace borgo::tools {
namespace {

using namespace std::chrono_literals;

std::shared_ptr<const PreviewState> state(std::uint64_t generation, std::string outcome,
                                          std::string drawing) {
  auto s = std::make_shared<PreviewState>();
  s->generation = generation;
  s->outcome_json = std::move(outcome);
  if (!drawing.empty()) s->drawing = std::make_shared<const std::string>(std::move(drawing));
  return s;
}

class PreviewServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    // A client that goes away must not end the test program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    server_ = std::make_unique<PreviewServer>(0, state(1, kOutcome, kDrawing));
  }

  int port() const { return server_->port(); }
  std::string own_host() const { return "127.0.0.1:" + std::to_string(port()); }
  httplib::Client client() const {
    httplib::Client c("127.0.0.1", port());
    c.set_connection_timeout(5);
    c.set_read_timeout(5);
    return c;
  }

  // Sends `bytes` as they are and returns the status of the answer (0 for none).
  int raw_status(const std::string& bytes) const {
    const auto sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int status = 0;
    if (::connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(sock, bytes.data(), static_cast<int>(bytes.size()), 0) ==
            static_cast<int>(bytes.size())) {
      std::string answer;
      char chunk[4096];
      for (int reads = 0; reads < 100 && answer.find("\r\n") == std::string::npos; ++reads) {
        const auto n = ::recv(sock, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        answer.append(chunk, static_cast<std::size_t>(n));
      }
      if (answer.rfind("HTTP/1.1 ", 0) == 0) status = std::stoi(answer.substr(9, 3));
    }
#ifdef _WIN32
    ::closesocket(sock);
#else
    ::close(sock);
#endif
    return status;
  }

  static constexpr const char* kOutcome = R"({"generation":1})";
  static constexpr const char* kDrawing = "<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
  std::unique_ptr<PreviewServer> server_;
};

TEST_F(PreviewServerTest, AnswersItsPathsAndNothingElse) {
  const struct {
    const char* method;
    const char* path;
    int status;
    const char* content_type;  // of a 200 answer
  } cases[] = {
      {"GET", "/", 200, "text/html; charset=utf-8"},
      {"GET", "/preview.js", 200, "application/javascript; charset=utf-8"},
      {"GET", "/drawing.svg", 200, "image/svg+xml"},
      {"GET", "/outcome.json", 200, "application/json"},
      {"HEAD", "/", 200, "text/html; charset=utf-8"},
      {"HEAD", "/drawing.svg", 200, "image/svg+xml"},
      {"GET", "/?reload=1", 200, "text/html; charset=utf-8"},
      {"GET", "/index.html", 404, nullptr},
      {"GET", "/preview.js/", 404, nullptr},
      {"GET", "//drawing.svg", 404, nullptr},
      {"GET", "/drawing.svgz", 404, nullptr},
      {"GET", "/../../../../etc/passwd", 404, nullptr},
      {"GET", "/%2e%2e/%2e%2e/etc/passwd", 404, nullptr},
      {"GET", "/outcome%2ejson", 200, "application/json"},  // the same path, percent-encoded
      {"GET", "/scenario/Costa_linea.txt", 404, nullptr},
      {"POST", "/", 404, nullptr},
      {"PUT", "/outcome.json", 404, nullptr},
      {"DELETE", "/drawing.svg", 404, nullptr},
      {"OPTIONS", "/", 404, nullptr},
      {"PATCH", "/events", 404, nullptr},
  };
  httplib::Client c = client();
  for (const auto& test : cases) {
    SCOPED_TRACE(std::string(test.method) + " " + test.path);
    httplib::Request req;
    req.method = test.method;
    req.path = test.path;
    if (req.method == "POST" || req.method == "PUT" || req.method == "PATCH") req.body = "x=1";
    const httplib::Result res = c.send(req);
    ASSERT_TRUE(res) << httplib::to_string(res.error());
    EXPECT_EQ(res->status, test.status);
    EXPECT_EQ(res->get_header_value("Cache-Control"), "no-store");
    EXPECT_EQ(res->get_header_value("X-Content-Type-Options"), "nosniff");
    if (test.status != 200) continue;
    EXPECT_EQ(res->get_header_value("Content-Type"), test.content_type);
    if (req.method == "HEAD") {
      EXPECT_TRUE(res->body.empty());
    }
  }
}

TEST_F(PreviewServerTest, ServesThePageItsScriptAndTheCurrentState) {
  httplib::Client c = client();
  const auto page = c.Get("/");
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("<script src=\"/preview.js\""), std::string::npos);
  const std::string policy = page->get_header_value("Content-Security-Policy");
  EXPECT_NE(policy.find("default-src 'none'"), std::string::npos) << policy;
  EXPECT_NE(policy.find("script-src 'self'"), std::string::npos) << policy;
  EXPECT_NE(policy.find("frame-ancestors 'none'"), std::string::npos) << policy;
  const auto script = c.Get("/preview.js");
  ASSERT_TRUE(script);
  EXPECT_NE(script->body.find("EventSource('/events')"), std::string::npos);

  EXPECT_EQ(c.Get("/outcome.json")->body, kOutcome);
  EXPECT_EQ(c.Get("/drawing.svg")->body, kDrawing);
  server_->publish(state(2, R"({"generation":2})", ""));
  EXPECT_EQ(c.Get("/outcome.json")->body, R"({"generation":2})");
  EXPECT_EQ(c.Get("/drawing.svg")->status, 404) << "nothing drawn yet";
}

// A page elsewhere may reach 127.0.0.1 under a name of its own that it
// rebinds: the Host header then names that, and the server refuses.
TEST_F(PreviewServerTest, AnswersOnlyToItsOwnAddress) {
  const std::string port_part = ":" + std::to_string(port());
  const struct {
    std::string host;
    int status;
  } cases[] = {
      {"127.0.0.1" + port_part, 200},
      {"localhost" + port_part, 200},
      {"LocalHost" + port_part, 200},
      {"evil.example" + port_part, 403},
      {"127.0.0.1.evil.example" + port_part, 403},
      {"localhost", 403},
      {"127.0.0.1", 403},
      {"127.0.0.1:1" + port_part, 403},
      {"127.0.0.2" + port_part, 403},
      {"", 400},  // as good as none
  };
  httplib::Client c = client();
  for (const auto& test : cases) {
    for (const char* path : {"/", "/outcome.json", "/events", "/nothing"}) {
      SCOPED_TRACE(test.host + " " + path);
      // An event stream that is let in stays open: its own test reads it.
      if (test.status == 200 && std::string(path) == "/events") continue;
      const auto res = c.Get(path, {{"Host", test.host}});
      ASSERT_TRUE(res);
      const int expected =
          test.status == 200 && std::string(path) == "/nothing" ? 404 : test.status;
      EXPECT_EQ(res->status, expected);
      if (test.status != 200) {
        EXPECT_EQ(res->body.find("generation"), std::string::npos);
      }
    }
  }
}

TEST_F(PreviewServerTest, RefusesMalformedRequestsAndGoesOn) {
  const std::string host = "Host: " + own_host() + "\r\n";
  const struct {
    const char* what;
    std::string bytes;
    int status;
  } cases[] = {
      {"no request line", "\r\n\r\n", 400},
      {"not HTTP", "HELLO\r\n\r\n", 400},
      {"an unknown method", "BREW / HTTP/1.1\r\n" + host + "\r\n", 400},
      {"an unknown version", "GET / HTTP/2.7\r\n" + host + "\r\n", 400},
      {"no path", "GET HTTP/1.1\r\n" + host + "\r\n", 400},
      {"no Host header", "GET / HTTP/1.1\r\n\r\n", 400},
      {"a bad range", "GET /drawing.svg HTTP/1.1\r\n" + host + "Range: pages=1\r\n\r\n", 416},
      {"a request line too long", "GET /" + std::string(10000, 'a') + " HTTP/1.1\r\n\r\n", 414},
      {"a well-formed request", "GET / HTTP/1.1\r\n" + host + "\r\n", 200},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    EXPECT_EQ(raw_status(test.bytes), test.status);
  }
  const auto res = client().Get("/outcome.json");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
}

// Reads an event stream on a thread of its own, until it ends or is ended.
class EventReader {
 public:
  explicit EventReader(int port) : client_("127.0.0.1", port) {
    client_.set_read_timeout(10);
    thread_ = std::thread([this] {
      const auto res = client_.Get("/events", [this](const char* data, std::size_t size) {
        const std::lock_guard lock(mutex_);
        text_.append(data, size);
        return true;
      });
      const std::lock_guard lock(mutex_);
      status_ = res ? res->status : 0;
      ended_ = true;
    });
  }
  ~EventReader() {
    client_.stop();
    thread_.join();
  }
  // Waits for `what` to arrive, at most 5 s.
  bool saw(const std::string& what) {
    for (int i = 0; i < 500; ++i) {
      {
        const std::lock_guard lock(mutex_);
        if (text_.find(what) != std::string::npos) return true;
      }
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
  bool ended() {
    for (int i = 0; i < 500; ++i) {
      {
        const std::lock_guard lock(mutex_);
        if (ended_) return true;
      }
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
  int status() {
    const std::lock_guard lock(mutex_);
    return status_;
  }

 private:
  std::mutex mutex_;
  std::string text_;
  int status_ = -1;
  bool ended_ = false;
  httplib::Client client_;
  std::thread thread_;
};

TEST_F(PreviewServerTest, TellsEachOpenPageOfEveryBuild) {
  EventReader first(port());
  EventReader second(port());
  EXPECT_TRUE(first.saw("data: 1\n\n")) << "the build it opens on";
  EXPECT_TRUE(second.saw("data: 1\n\n"));
  server_->publish(state(2, "{}", kDrawing));
  EXPECT_TRUE(first.saw("id: 2\ndata: 2\n\n"));
  EXPECT_TRUE(second.saw("id: 2\ndata: 2\n\n"));
}

TEST_F(PreviewServerTest, BoundsTheOpenStreamsAndStopsThemWhenItStops) {
  std::vector<std::unique_ptr<EventReader>> readers;
  for (int i = 0; i < 4; ++i) {
    readers.push_back(std::make_unique<EventReader>(port()));
    ASSERT_TRUE(readers.back()->saw("data: 1")) << i;
  }
  EXPECT_EQ(client().Get("/events")->status, 503) << "a fifth stream";
  EXPECT_EQ(client().Get("/")->status, 200) << "the page is still served";

  server_->stop();
  for (auto& reader : readers) EXPECT_TRUE(reader->ended());
}

TEST(PreviewServer, SaysSoWhenItsPortIsTaken) {
  PreviewServer first(0, state(1, "{}", ""));
  EXPECT_THROW(PreviewServer(first.port(), state(1, "{}", "")), PreviewServerError);
}

}  // namespace
}  // namespace borgo::tools
