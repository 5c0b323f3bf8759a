// The gate in front of the preview server, with a server of the test's own:
// which waiting connection it closes when there are too many, how a request
// waits for a free worker, and how stopping cuts off an answer that the
// client does not take.
#include "tools/preview/connections.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#ifndef _WIN32
#include <csignal>
#endif

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/tools/preview/raw_connection.hpp"

namespace borgo::tools {
namespace {

using namespace std::chrono_literals;
using testing::RawConnection;

constexpr std::string_view kHead = "GET / HTTP/1.1\r\nHost: here\r\n\r\n";
constexpr std::string_view kAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

void answer_ok(httplib::Stream& stream) { stream.write(kAnswer.data(), kAnswer.size()); }

class ConnectionGateTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
#endif
  }
};

TEST_F(ConnectionGateTest, ClosesTheOldestWaitingConnectionWhenFull) {
  const struct {
    const char* what;
    std::size_t most_waiting;
    std::size_t most_waiting_per_peer;
  } cases[] = {
      {"in all", 4, 100},
      {"from one address", 100, 4},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    ConnectionLimits limits;
    limits.most_waiting = test.most_waiting;
    limits.most_waiting_per_peer = test.most_waiting_per_peer;
    limits.head_deadline = 60s;  // only the bound closes connections here
    ConnectionGate gate(0, limits, {}, answer_ok);
    std::vector<std::unique_ptr<RawConnection>> waiting;
    for (int i = 0; i < 4; ++i) {
      waiting.push_back(std::make_unique<RawConnection>(gate.port()));
      ASSERT_TRUE(waiting.back()->connected());
    }
    waiting[1]->send("GET / HTTP/1.1\r\n");  // no younger for having begun

    RawConnection newest(gate.port());
    newest.send(kHead);
    EXPECT_EQ(newest.status_within(5s), 200) << "a new connection is always taken";
    waiting[0]->read_for(5s);
    EXPECT_TRUE(waiting[0]->ended()) << "the oldest makes room";
    EXPECT_TRUE(waiting[0]->answer().empty());
    for (std::size_t i = 1; i < waiting.size(); ++i) {
      waiting[i]->read_for(50ms);
      EXPECT_FALSE(waiting[i]->ended()) << i;
    }
  }
}

// A whole request waits in the gate, among the bounded waiting ones, until a
// worker is free; it does not pile up behind the workers without a bound.
TEST_F(ConnectionGateTest, ARequestWaitsForAFreeWorkerAmongTheWaiting) {
  ConnectionLimits limits;
  limits.workers = 1;
  limits.most_waiting = 2;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> served = 0;
  ConnectionGate gate(0, limits, {}, [&](httplib::Stream& stream) {
    if (served++ == 0) released.wait_for(10s);
    answer_ok(stream);
  });
  RawConnection first(gate.port());
  first.send(kHead);
  for (int i = 0; i < 500 && served == 0; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_EQ(served, 1);
  RawConnection second(gate.port());
  second.send(kHead);
  RawConnection third(gate.port());
  third.send(kHead);
  EXPECT_EQ(second.status_within(300ms), 0) << "the one worker is busy";
  RawConnection fourth(gate.port());
  fourth.send(kHead);
  second.read_for(5s);
  EXPECT_TRUE(second.ended()) << "the oldest waiting makes room";
  EXPECT_TRUE(second.answer().empty());

  release.set_value();
  for (RawConnection* connection : {&first, &third, &fourth}) {
    EXPECT_EQ(connection->status_within(5s), 200);
  }
  EXPECT_EQ(served, 3);
}

TEST_F(ConnectionGateTest, StopCutsOffAnAnswerTheClientDoesNotTake) {
  ConnectionLimits limits;
  limits.write_timeout = 60s;  // far longer than the wait below
  std::atomic<std::size_t> written = 0;
  std::atomic<bool> cut_off = false;
  ConnectionGate gate(0, limits, {}, [&](httplib::Stream& stream) {
    const std::string block(1 << 20, 'x');
    // 256 MiB at most, far more than the sockets' buffers take.
    for (int i = 0; i < 256; ++i) {
      if (stream.write(block.data(), block.size()) <= 0) {
        cut_off = true;
        return;
      }
      written += block.size();
    }
  });
  RawConnection client(gate.port());
  client.send(kHead);  // and reads nothing
  for (int i = 0; i < 500 && written == 0; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_GT(written, 0u);

  auto stopped = std::async(std::launch::async, [&gate] { gate.stop(); });
  ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready) << "stop waits for the client";
  EXPECT_TRUE(cut_off);
}

}  // namespace
}  // namespace borgo::tools
