#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tools/preview/request_head.hpp"

namespace httplib {
class Stream;
}

namespace borgo::tools {

// What the gate lets clients take before and while they are served.
struct ConnectionLimits {
  HeadLimits head;
  // From a connection's accept to the blank line that ends its head.
  std::chrono::milliseconds head_deadline{2000};
  // Connections not yet served, in all and from one address.
  std::size_t most_waiting = 512;
  std::size_t most_waiting_per_peer = 256;
  std::size_t workers = 12;  // requests served at once
  // How long an answer may wait for the client to take more of it.
  std::chrono::milliseconds write_timeout{5000};
};

// A gate that cannot listen.
class ConnectionGateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Listens on 127.0.0.1 and stands between its clients and the HTTP library:
// one thread reads, without blocking, every connection whose request head
// has not all come, so that no client holds a worker while it sends its
// head, however slowly. A head that takes longer than its deadline, or that
// breaks its bounds, is answered with a small refusal of its own and
// closed. When too many connections wait, the oldest that has not been
// served is closed first, so that a new one is always taken. A whole head
// goes to a worker, which serves the request and closes the connection:
// one request a connection.
class ConnectionGate {
 public:
  using Headers = std::vector<std::pair<std::string, std::string>>;
  // Serves one request, on a worker: the stream reads the head and then ends,
  // and writes to the client, giving up when the client takes nothing for
  // the write timeout or the gate stops.
  using Serve = std::function<void(httplib::Stream& stream)>;

  // Listens on 127.0.0.1:port, a free port when `port` is 0; the refusals
  // carry `refusal_headers`. Throws ConnectionGateError.
  ConnectionGate(int port, ConnectionLimits limits, Headers refusal_headers, Serve serve);
  ~ConnectionGate();  // stops
  ConnectionGate(const ConnectionGate&) = delete;
  ConnectionGate& operator=(const ConnectionGate&) = delete;

  int port() const;

  // Stops listening, closes every waiting connection, cuts off those being
  // served and waits for the workers.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace borgo::tools
