// The preview server's answers: its few paths, every other request, the
// Host check, malformed requests, and the event stream.
#include "tools/preview/server.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#ifndef _WIN32
#include <csignal>
#endif

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/tools/preview/raw_connection.hpp"

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

  // Sends `bytes` as they are and returns the status of the answer (0 for
  // none within 5 s).
  int raw_status(const std::string& bytes) const {
    testing::RawConnection connection(port());
    if (!connection.connected()) return 0;
    connection.send(bytes);  // a refusal may come before all is sent
    return connection.status_within(5s);
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

// Another page open in the browser, of any site or of another server here,
// may send requests to this one: the browser names the page they come from,
// and only the preview's own page, or the author typing its address, is
// answered.
TEST_F(PreviewServerTest, AnswersOnlyItsOwnPage) {
  const std::string own = "http://127.0.0.1:" + std::to_string(port());
  const struct {
    const char* what;
    httplib::Headers headers;
    int status;
  } cases[] = {
      {"its own page", {{"Origin", own}}, 200},
      {"its own page under localhost",
       {{"Origin", "http://localhost:" + std::to_string(port())}},
       200},
      {"a page of another site", {{"Origin", "http://evil.example"}}, 403},
      {"a page of another port here", {{"Origin", "http://127.0.0.1:1"}}, 403},
      {"a page with no origin to tell", {{"Origin", "null"}}, 403},
      {"its address over another scheme",
       {{"Origin", "https://127.0.0.1:" + std::to_string(port())}},
       403},
      {"the same origin", {{"Sec-Fetch-Site", "same-origin"}}, 200},
      {"an address typed by the author", {{"Sec-Fetch-Site", "none"}}, 200},
      {"a page of the same site", {{"Sec-Fetch-Site", "same-site"}}, 403},
      {"a page of another site, told by the fetch", {{"Sec-Fetch-Site", "cross-site"}}, 403},
      {"its own origin but a cross-site fetch",
       {{"Origin", own}, {"Sec-Fetch-Site", "cross-site"}},
       403},
      {"two origins", {{"Origin", own}, {"Origin", own}}, 400},
      {"two fetch sites", {{"Sec-Fetch-Site", "none"}, {"Sec-Fetch-Site", "none"}}, 400},
  };
  httplib::Client c = client();
  for (const auto& test : cases) {
    for (const char* path : {"/", "/outcome.json", "/events", "/nothing"}) {
      SCOPED_TRACE(std::string(test.what) + " " + path);
      if (test.status == 200 && std::string(path) == "/events") continue;  // it stays open
      const auto res = c.Get(path, test.headers);
      ASSERT_TRUE(res);
      const int expected =
          test.status == 200 && std::string(path) == "/nothing" ? 404 : test.status;
      EXPECT_EQ(res->status, expected);
      if (test.status != 200) {
        EXPECT_EQ(res->body.find("generation"), std::string::npos);
      }
    }
  }
  // An event stream its own page opens is let in.
  testing::RawConnection events(port());
  events.send("GET /events HTTP/1.1\r\nHost: " + own_host() + "\r\nOrigin: " + own +
              "\r\nSec-Fetch-Site: same-origin\r\n\r\n");
  EXPECT_EQ(events.status_within(5s), 200);
}

// A head is refused as soon as its bytes show what it is: the rows without
// a blank line at their end are refused before the head is over, so that a
// head of any size is never held whole.
TEST_F(PreviewServerTest, RefusesMalformedRequestsAndGoesOn) {
  const std::string host = "Host: " + own_host() + "\r\n";
  const std::string get = "GET / HTTP/1.1\r\n" + host;
  std::string many_lines;
  for (int i = 0; i < 101; ++i) many_lines += "X-Line-" + std::to_string(i) + ": 1\r\n";
  std::string large_head;
  for (int i = 0; i < 40; ++i) large_head += "X-Large: " + std::string(1000, 'a') + "\r\n";
  const struct {
    const char* what;
    std::string bytes;
    int status;
  } cases[] = {
      {"a header line too long", get + "X-Long: " + std::string(9000, 'a') + "\r\n\r\n", 431},
      {"a header line too long, not yet ended", get + "X-Long: " + std::string(65536, 'a'), 431},
      {"a request line too long, not yet ended", "GET /" + std::string(65536, 'a'), 414},
      {"too many header lines", get + many_lines + "\r\n", 431},
      {"too many header lines, the head not yet ended", get + many_lines, 431},
      {"a head too large", get + large_head + "\r\n", 431},
      {"a NUL in the Host header",
       "GET / HTTP/1.1\r\nHost: " + own_host() + std::string(1, '\0') + "x\r\n\r\n", 400},
      {"a control character in a header", get + "X-Bell: \a\r\n\r\n", 400},
      {"a line ended by LF alone", "GET / HTTP/1.1\n" + host + "\r\n", 400},
      {"a CR without its LF", get + "X-A: 1\rX-B: 2\r\n\r\n", 400},
      {"two Host headers, ours first", get + "Host: evil.example\r\n\r\n", 400},
      {"two Host headers, both ours", get + host + "\r\n", 400},
      {"a GET with a body", get + "Content-Length: 5\r\n\r\nhello", 400},
      {"a GET with a chunked body",
       get + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", 400},
      {"a length that is no number", get + "Content-Length: 5x\r\n\r\n", 400},
      {"a POST with a body", "POST / HTTP/1.1\r\n" + host + "Content-Length: 3\r\n\r\nx=1", 404},
      {"a GET with a body of none", get + "Content-Length: 0\r\n\r\n", 200},
      {"a header value with a tab", get + "X-Tab: a\tb\r\n\r\n", 200},
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
    testing::RawConnection connection(port());
    connection.send(test.bytes);  // a refusal may come before all is sent
    EXPECT_EQ(connection.status_within(5s), test.status);
    connection.read_for(5s);
    EXPECT_TRUE(connection.ended()) << "one request a connection";
    EXPECT_NE(connection.answer().find("\r\nX-Content-Type-Options: nosniff\r\n"),
              std::string::npos)
        << connection.answer();
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

// Hundreds of connections that send their heads a line at a time, or say
// nothing at all, beside the four event streams: none of them holds a
// worker, and the page is served all the same.
TEST_F(PreviewServerTest, ServesItsPageWhileManySlowClientsAreConnected) {
  std::vector<std::unique_ptr<EventReader>> streams;
  for (int i = 0; i < 4; ++i) {
    streams.push_back(std::make_unique<EventReader>(port()));
    ASSERT_TRUE(streams.back()->saw("data: 1")) << i;
  }
  std::vector<std::unique_ptr<testing::RawConnection>> slow;
  for (int i = 0; i < 300; ++i) {
    slow.push_back(std::make_unique<testing::RawConnection>(port()));
    ASSERT_TRUE(slow.back()->connected()) << i;
    if (i % 3 != 0) slow.back()->send("GET / HTTP/1.1\r\nHost: " + own_host() + "\r\n");
  }
  for (auto& connection : slow) connection->send("X-Slow: 1\r\n");

  httplib::Client c = client();  // waits 5 s at most
  for (const char* path : {"/", "/preview.js", "/outcome.json", "/drawing.svg"}) {
    const auto res = c.Get(path);
    ASSERT_TRUE(res) << path << ": " << httplib::to_string(res.error());
    EXPECT_EQ(res->status, 200) << path;
  }
}

// A head must be whole within about two seconds of the connection's start,
// however its bytes keep coming; a connection that says nothing is closed
// without an answer.
TEST_F(PreviewServerTest, EndsAHeadThatTakesTooLong) {
  const std::string request_line = "GET / HTTP/1.1\r\n";
  const std::string host = "Host: " + own_host() + "\r\n";
  std::vector<std::string> endless{request_line, host};
  for (int i = 0; i < 60; ++i) endless.push_back("X-Slow-" + std::to_string(i) + ": 1\r\n");
  const struct {
    const char* what;
    std::vector<std::string> pieces;  // one a tick
    int status;                       // 0: closed without an answer
  } cases[] = {
      {"nothing at all", {}, 0},
      {"a request line, then nothing", {request_line}, 408},
      {"a header line a tick, and never the end", endless, 408},
      {"a whole head in small pieces, CR and LF apart",
       {"GET / HT", "TP/1.1\r", "\n" + host.substr(0, 5), host.substr(5) + "\r", "\n"},
       200},
  };
  std::vector<std::unique_ptr<testing::RawConnection>> connections;
  for (const auto& test : cases) {
    connections.push_back(std::make_unique<testing::RawConnection>(port()));
    ASSERT_TRUE(connections.back()->connected()) << test.what;
  }
  // A tick is 100 ms at least: 8 s at most in all, several times the deadline.
  for (std::size_t tick = 0; tick < 80; ++tick) {
    bool all_ended = true;
    for (std::size_t i = 0; i < connections.size(); ++i) {
      testing::RawConnection& connection = *connections[i];
      if (connection.ended()) continue;
      all_ended = false;
      if (tick < cases[i].pieces.size()) connection.send(cases[i].pieces[tick]);
      connection.read_for(25ms);
    }
    if (all_ended) break;
  }
  for (std::size_t i = 0; i < connections.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    EXPECT_TRUE(connections[i]->ended());
    EXPECT_EQ(connections[i]->status(), cases[i].status) << connections[i]->answer();
  }
}

// Stopping ends every connection at once, whatever its client does: one
// that sends its head a line at a time, one that says nothing, an event
// stream, and one that takes none of a large answer.
TEST_F(PreviewServerTest, StopsAtOnceWhateverItsClientsDo) {
  // Larger than what the sockets' buffers take.
  server_->publish(state(2, "{}", std::string(16 << 20, 'x')));
  testing::RawConnection silent(port());
  testing::RawConnection trickling(port());
  trickling.send("GET / HTTP/1.1\r\n");
  testing::RawConnection stalled(port());
  stalled.send("GET /drawing.svg HTTP/1.1\r\nHost: " + own_host() + "\r\n\r\n");
  EventReader stream(port());
  ASSERT_TRUE(stream.saw("data: 2"));
  ASSERT_EQ(stalled.status_within(5s), 200);

  auto stopped = std::async(std::launch::async, [this] { server_->stop(); });
  // The trickle goes on while the server stops, at most 8 s.
  for (int i = 0; i < 160 && stopped.wait_for(50ms) != std::future_status::ready; ++i) {
    trickling.send("X-Slow: 1\r\n");
  }
  ASSERT_EQ(stopped.wait_for(0s), std::future_status::ready) << "stop waits for its clients";
  EXPECT_TRUE(stream.ended());
  for (testing::RawConnection* connection : {&silent, &trickling}) {
    connection->read_for(5s);
    EXPECT_TRUE(connection->ended());
  }
}

TEST(PreviewServer, SaysSoWhenItsPortIsTaken) {
  PreviewServer first(0, state(1, "{}", ""));
  EXPECT_THROW(PreviewServer(first.port(), state(1, "{}", "")), PreviewServerError);
}

}  // namespace
}  // namespace borgo::tools
