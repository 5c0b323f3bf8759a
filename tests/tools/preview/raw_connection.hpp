#pragma once

// A client of the preview server that sends bytes as they are, as a hostile
// local process would, and reads the answer without ever blocking long.

#include <httplib.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace borgo::tools::testing {

class RawConnection {
 public:
  // Connects to 127.0.0.1:port; connected() tells whether it could.
  explicit RawConnection(int port) : sock_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = sock_ != INVALID_SOCKET &&
                 ::connect(sock_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawConnection() {
    if (sock_ == INVALID_SOCKET) return;
#ifdef _WIN32
    ::closesocket(sock_);
#else
    ::close(sock_);
#endif
  }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool connected() const { return connected_; }

  // False when not all of `bytes` could be sent (the server has closed).
  bool send(std::string_view bytes) {
    while (!bytes.empty()) {
#ifdef _WIN32
      const int sent = ::send(sock_, bytes.data(), static_cast<int>(bytes.size()), 0);
#else
      const ssize_t sent = ::send(sock_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
#endif
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }

  // Reads what the server sends within `wait`, and returns at once when it
  // closes the connection.
  void read_for(std::chrono::milliseconds wait) {
    const auto end = std::chrono::steady_clock::now() + wait;
    while (!ended_) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !readable(static_cast<int>(left.count()))) return;
      char chunk[4096];
      const auto got = ::recv(sock_, chunk, static_cast<int>(sizeof chunk), 0);
      if (got <= 0) {
        ended_ = true;
      } else {
        answer_.append(chunk, static_cast<std::size_t>(got));
      }
    }
  }

  // Reads until the answer's status line has come or `wait` has passed;
  // returns the status, 0 for none.
  int status_within(std::chrono::milliseconds wait) {
    const auto end = std::chrono::steady_clock::now() + wait;
    while (status() == 0 && !ended_ && std::chrono::steady_clock::now() < end) {
      read_for(std::chrono::milliseconds(20));
    }
    return status();
  }

  // The status of the answer so far, 0 before its status line.
  int status() const {
    if (answer_.rfind("HTTP/1.1 ", 0) != 0 || answer_.size() < 12) return 0;
    return std::stoi(answer_.substr(9, 3));
  }
  // The server closed the connection (or it failed).
  bool ended() const { return ended_; }
  const std::string& answer() const { return answer_; }

 private:
  bool readable(int timeout_ms) {
#ifdef _WIN32
    WSAPOLLFD entry{sock_, POLLIN, 0};
    return ::WSAPoll(&entry, 1, timeout_ms) > 0;
#else
    pollfd entry{sock_, POLLIN, 0};
    return ::poll(&entry, 1, timeout_ms) > 0;
#endif
  }

  socket_t sock_;
  bool connected_ = false;
  bool ended_ = false;
  std::string answer_;
};

}  // namespace borgo::tools::testing
