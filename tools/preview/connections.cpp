#include "tools/preview/connections.hpp"

#include <httplib.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <thread>
#include <utility>

namespace borgo::tools {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The few socket calls that Winsock spells its own way.
#ifdef _WIN32
using PollEntry = WSAPOLLFD;
using Length = int;
constexpr int kShutWrite = SD_SEND;
constexpr int kShutBoth = SD_BOTH;
constexpr int kSendFlags = 0;

int poll_sockets(PollEntry* entries, std::size_t count, int timeout_ms) {
  return WSAPoll(entries, static_cast<ULONG>(count), timeout_ms);
}
void close_socket(socket_t sock) { closesocket(sock); }
// The call found nothing to do now and may be tried again later.
bool try_again() { return WSAGetLastError() == WSAEWOULDBLOCK; }
bool out_of_sockets() {
  const int error = WSAGetLastError();
  return error == WSAEMFILE || error == WSAENOBUFS;
}
bool make_non_blocking(socket_t sock) {
  u_long on = 1;
  return ioctlsocket(sock, FIONBIO, &on) == 0;
}
#else
using PollEntry = pollfd;
using Length = std::size_t;
constexpr int kShutWrite = SHUT_WR;
constexpr int kShutBoth = SHUT_RDWR;
// A client gone away is an error to return, not a signal to end the program.
constexpr int kSendFlags = MSG_NOSIGNAL;

int poll_sockets(PollEntry* entries, std::size_t count, int timeout_ms) {
  return ::poll(entries, static_cast<nfds_t>(count), timeout_ms);
}
void close_socket(socket_t sock) { ::close(sock); }
bool try_again() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
bool out_of_sockets() {
  return errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM;
}
bool make_non_blocking(socket_t sock) {
  const int flags = ::fcntl(sock, F_GETFL, 0);
  return flags >= 0 && ::fcntl(sock, F_SETFL, flags | O_NONBLOCK) == 0;
}
#endif

// Winsock counts in int: a larger write is made in parts.
constexpr std::size_t kLargestTransfer = 1 << 30;

long long receive(socket_t sock, char* into, std::size_t size) {
  return ::recv(sock, into, static_cast<Length>(std::min(size, kLargestTransfer)), 0);
}

long long send_some(socket_t sock, const char* from, std::size_t size) {
  return ::send(sock, from, static_cast<Length>(std::min(size, kLargestTransfer)), kSendFlags);
}

PollEntry poll_entry(socket_t sock, short events) {
  PollEntry entry{};
  entry.fd = sock;
  entry.events = events;
  return entry;
}

// Waits until `sock` is ready for `events`, at most `timeout`.
bool wait_for(socket_t sock, short events, milliseconds timeout) {
  PollEntry entry = poll_entry(sock, events);
  const auto timeout_ms =
      static_cast<int>(std::clamp<milliseconds::rep>(timeout.count(), 0, 60000));
  return poll_sockets(&entry, 1, timeout_ms) > 0 && (entry.revents & events) != 0;
}

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

std::string address_text(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  if (inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) == nullptr) return "?";
  return text;
}

int port_of(socket_t sock) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) != 0) return -1;
  return ntohs(address.sin_port);
}

// A socket closed when its owner is done with it, unless released.
class OwnedSocket {
 public:
  explicit OwnedSocket(socket_t sock) : sock_(sock) {}
  ~OwnedSocket() {
    if (sock_ != INVALID_SOCKET) close_socket(sock_);
  }
  OwnedSocket(OwnedSocket&& other) noexcept : sock_(other.release()) {}
  OwnedSocket& operator=(OwnedSocket&& other) noexcept {
    if (this != &other) {
      if (sock_ != INVALID_SOCKET) close_socket(sock_);
      sock_ = other.release();
    }
    return *this;
  }
  socket_t get() const { return sock_; }
  bool valid() const { return sock_ != INVALID_SOCKET; }
  socket_t release() { return std::exchange(sock_, INVALID_SOCKET); }

 private:
  socket_t sock_;
};

socket_t new_socket(int type) {
#ifdef _WIN32
  return ::socket(AF_INET, type, 0);
#else
  return ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
#endif
}

// The listening socket on 127.0.0.1:port; INVALID_SOCKET when it cannot be had.
socket_t listen_on_loopback(int port) {
  OwnedSocket sock(new_socket(SOCK_STREAM));
  if (!sock.valid()) return INVALID_SOCKET;
  // The port is this server's alone: no other socket, of this user's or
  // another's, may listen on it beside it and take a share of its requests.
  int yes = 1;
#ifdef _WIN32
  setsockopt(sock.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
             sizeof yes);
#else
  setsockopt(sock.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
  const sockaddr_in address = loopback(port);
  if (bind(sock.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(sock.get(), SOMAXCONN) != 0 || !make_non_blocking(sock.get())) {
    return INVALID_SOCKET;
  }
  return sock.release();
}

// Wakes the gate's thread out of its poll: a datagram to a socket of its
// own, which works alike on every platform.
class Waker {
 public:
  Waker() : sock_(new_socket(SOCK_DGRAM)) {
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (!sock_.valid() ||
        bind(sock_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(sock_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        connect(sock_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        !make_non_blocking(sock_.get())) {
      throw ConnectionGateError("cannot make the gate's wake-up socket");
    }
  }
  socket_t socket() const { return sock_.get(); }
  // A datagram that finds the socket full is not needed: it is awake.
  void wake() const {
    const char byte = 0;
    send_some(sock_.get(), &byte, 1);
  }
  void drain() const {
    char bytes[64];
    for (int i = 0; i < 1024 && receive(sock_.get(), bytes, sizeof bytes) > 0; ++i) {
    }
  }

 private:
  OwnedSocket sock_;
};

// A connection as a worker serves it: reading yields the head the gate read
// and then ends, so that nothing past the head is ever taken for a request;
// writing waits for the client at most the write timeout at a time.
class HeadFirstStream final : public httplib::Stream {
 public:
  HeadFirstStream(socket_t sock, const std::string& head, milliseconds write_timeout)
      : sock_(sock), head_(head), write_timeout_(write_timeout) {}

  bool is_readable() const override { return read_ < head_.size(); }
  bool is_writable() const override { return wait_for(sock_, POLLOUT, write_timeout_); }

  ssize_t read(char* ptr, std::size_t size) override {
    const std::size_t n = std::min(size, head_.size() - read_);
    std::copy_n(head_.data() + read_, n, ptr);
    read_ += n;
    return static_cast<ssize_t>(n);
  }

  using httplib::Stream::write;
  ssize_t write(const char* ptr, std::size_t size) override {
    const auto give_up = Clock::now() + write_timeout_;
    for (;;) {
      const long long sent = send_some(sock_, ptr, size);
      if (sent >= 0) return static_cast<ssize_t>(sent);
      if (!try_again()) return -1;
      const auto left = std::chrono::ceil<milliseconds>(give_up - Clock::now());
      if (left.count() <= 0 || !wait_for(sock_, POLLOUT, left)) return -1;
    }
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    address_of(getpeername, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    address_of(getsockname, ip, port);
  }
  socket_t socket() const override { return sock_; }

 private:
  template <typename Lookup>
  void address_of(Lookup lookup, std::string& ip, int& port) const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (lookup(sock_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
    ip = address_text(address);
    port = ntohs(address.sin_port);
  }

  socket_t sock_;
  const std::string& head_;
  std::size_t read_ = 0;
  milliseconds write_timeout_;
};

// A refusal the gate writes itself, before any request reaches the library.
std::string refusal_text(const RequestHeadReader::Refusal& refusal,
                         const ConnectionGate::Headers& headers) {
  std::string_view phrase = "Refused";
  switch (refusal.status) {
    case 400:
      phrase = "Bad Request";
      break;
    case 404:
      phrase = "Not Found";
      break;
    case 408:
      phrase = "Request Timeout";
      break;
    case 414:
      phrase = "URI Too Long";
      break;
    case 431:
      phrase = "Request Header Fields Too Large";
      break;
  }
  const std::string status = std::to_string(refusal.status);
  const std::string body = status + " " + std::string(refusal.reason) + "\n";
  std::string text =
      "HTTP/1.1 " + status + " " + std::string(phrase) +
      "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
      "\r\nConnection: close\r\n";
  for (const auto& [name, value] : headers) text += name + ": " + value + "\r\n";
  return text + "\r\n" + body;
}

// After a refusal the client's further bytes are read and dropped a while,
// so that closing with bytes unread does not reset the connection before
// the client has read why.
constexpr milliseconds kLinger{1000};
constexpr std::size_t kMostDropped = 1 << 20;

// A connection whose request has not reached a worker.
struct Waiting {
  enum class Stage {
    kReading,    // its head
    kReady,      // its head is whole: waits for a worker
    kAnswering,  // writes a refusal
    kLingering,  // the refusal is written: drops what the client still sends
  };
  Waiting(socket_t sock, std::string peer, Clock::time_point accepted, HeadLimits limits)
      : sock(sock), peer(std::move(peer)), accepted(accepted), head(limits) {}

  socket_t sock;
  std::string peer;
  Clock::time_point accepted;
  RequestHeadReader head;
  Stage stage = Stage::kReading;
  std::string answer;
  std::size_t sent = 0;
  Clock::time_point linger_end{};
  std::size_t dropped = 0;
  bool gone = false;  // closed, or handed to a worker

  // Which connection goes first when there are too many: a refused one,
  // then one still sending its head, then one whose head is whole; of
  // those, the oldest.
  int keep_rank() const {
    switch (stage) {
      case Stage::kAnswering:
      case Stage::kLingering:
        return 0;
      case Stage::kReading:
        return 1;
      case Stage::kReady:
        break;
    }
    return 2;
  }
};

}  // namespace

struct ConnectionGate::Impl {
  Impl(ConnectionLimits limits, Headers refusal_headers, Serve serve)
      : limits(limits), refusal_headers(std::move(refusal_headers)), serve(std::move(serve)) {}
  ~Impl() { stop(); }

  const ConnectionLimits limits;
  const Headers refusal_headers;
  const Serve serve;
  Waker waker;
  OwnedSocket listener{INVALID_SOCKET};
  int port = 0;
  std::unique_ptr<httplib::ThreadPool> workers;
  std::thread thread;
  std::atomic<bool> stopping = false;
  std::atomic<bool> stopped = false;

  // The gate's thread's own.
  std::vector<Waiting> waiting;
  std::map<std::string, std::size_t> waiting_from;  // by peer address
  std::size_t waiting_count = 0;

  // Shared with the workers.
  std::mutex mutex;
  std::size_t serving = 0;
  std::set<socket_t> served;  // cut off when the gate stops

  void run();
  int poll_timeout_ms(Clock::time_point now) const;
  void on_ready(Waiting& w, Clock::time_point now);
  void read_head(Waiting& w, Clock::time_point now);
  void refuse(Waiting& w, const RequestHeadReader::Refusal& refusal, Clock::time_point now);
  void write_answer(Waiting& w);
  void drop_input(Waiting& w);
  void expire(Clock::time_point now);
  void hand_off();
  void serve_one(socket_t sock, const std::string& head);
  void accept_new(Clock::time_point now);
  void make_room(const std::string& peer);
  void close_oldest(const std::string* peer);
  void forget(Waiting& w);
  void close(Waiting& w);
  void stop();
};

void ConnectionGate::Impl::run() {
  std::vector<PollEntry> entries;
  std::vector<std::size_t> polled;  // the index in `waiting` of entries[2 + i]
  while (!stopping) {
    entries.clear();
    polled.clear();
    entries.push_back(poll_entry(waker.socket(), POLLIN));
    entries.push_back(poll_entry(listener.get(), POLLIN));
    for (std::size_t i = 0; i < waiting.size(); ++i) {
      const Waiting::Stage stage = waiting[i].stage;
      if (stage == Waiting::Stage::kReady) continue;
      entries.push_back(
          poll_entry(waiting[i].sock, stage == Waiting::Stage::kAnswering ? POLLOUT : POLLIN));
      polled.push_back(i);
    }
    const int ready = poll_sockets(entries.data(), entries.size(), poll_timeout_ms(Clock::now()));
    if (stopping) break;
    const auto now = Clock::now();
    if (ready > 0) {
      if (entries[0].revents != 0) waker.drain();
      for (std::size_t i = 0; i < polled.size(); ++i) {
        if (entries[2 + i].revents != 0) on_ready(waiting[polled[i]], now);
      }
    }
    expire(now);
    hand_off();
    if (ready > 0 && entries[1].revents != 0) accept_new(now);
    waiting.erase(
        std::remove_if(waiting.begin(), waiting.end(), [](const Waiting& w) { return w.gone; }),
        waiting.end());
  }
  listener = OwnedSocket(INVALID_SOCKET);
  for (Waiting& w : waiting) close(w);
  waiting.clear();
}

// Until the nearest deadline; without one, until woken.
int ConnectionGate::Impl::poll_timeout_ms(Clock::time_point now) const {
  std::optional<Clock::time_point> nearest;
  for (const Waiting& w : waiting) {
    std::optional<Clock::time_point> deadline;
    if (w.stage == Waiting::Stage::kReading) deadline = w.accepted + limits.head_deadline;
    if (w.stage == Waiting::Stage::kAnswering || w.stage == Waiting::Stage::kLingering) {
      deadline = w.linger_end;
    }
    if (deadline && (!nearest || *deadline < *nearest)) nearest = deadline;
  }
  if (!nearest) return -1;
  const auto left = std::chrono::ceil<milliseconds>(*nearest - now).count();
  return static_cast<int>(std::clamp<milliseconds::rep>(left, 0, 60000));
}

void ConnectionGate::Impl::on_ready(Waiting& w, Clock::time_point now) {
  switch (w.stage) {
    case Waiting::Stage::kReading:
      return read_head(w, now);
    case Waiting::Stage::kAnswering:
      return write_answer(w);
    case Waiting::Stage::kLingering:
      return drop_input(w);
    case Waiting::Stage::kReady:
      break;
  }
}

void ConnectionGate::Impl::read_head(Waiting& w, Clock::time_point now) {
  char bytes[4096];
  for (int reads = 0; reads < 4; ++reads) {
    const long long got = receive(w.sock, bytes, sizeof bytes);
    if (got < 0 && try_again()) return;
    if (got <= 0) return close(w);  // the client went away, or its connection failed
    switch (w.head.take({bytes, static_cast<std::size_t>(got)})) {
      case RequestHeadReader::State::kReading:
        continue;
      case RequestHeadReader::State::kComplete:
        w.stage = Waiting::Stage::kReady;
        return;
      case RequestHeadReader::State::kRefused:
        return refuse(w, w.head.refusal(), now);
    }
  }
}

void ConnectionGate::Impl::refuse(Waiting& w, const RequestHeadReader::Refusal& refusal,
                                  Clock::time_point now) {
  w.answer = refusal_text(refusal, refusal_headers);
  w.stage = Waiting::Stage::kAnswering;
  w.linger_end = now + kLinger;
  write_answer(w);
}

void ConnectionGate::Impl::write_answer(Waiting& w) {
  const long long sent = send_some(w.sock, w.answer.data() + w.sent, w.answer.size() - w.sent);
  if (sent < 0 && try_again()) return;
  if (sent < 0) return close(w);
  w.sent += static_cast<std::size_t>(sent);
  if (w.sent < w.answer.size()) return;
  shutdown(w.sock, kShutWrite);
  w.stage = Waiting::Stage::kLingering;
}

void ConnectionGate::Impl::drop_input(Waiting& w) {
  char bytes[4096];
  for (int reads = 0; reads < 4; ++reads) {
    const long long got = receive(w.sock, bytes, sizeof bytes);
    if (got < 0 && try_again()) return;
    if (got <= 0) return close(w);
    w.dropped += static_cast<std::size_t>(got);
    if (w.dropped > kMostDropped) return close(w);
  }
}

void ConnectionGate::Impl::expire(Clock::time_point now) {
  for (Waiting& w : waiting) {
    if (w.gone) continue;
    if (w.stage == Waiting::Stage::kReading && now >= w.accepted + limits.head_deadline) {
      // A connection that never said a word (a browser's spare one, say) is
      // closed without an answer.
      if (!w.head.started()) {
        close(w);
      } else {
        refuse(w, {408, "a request head that took too long"}, now);
      }
    } else if ((w.stage == Waiting::Stage::kAnswering || w.stage == Waiting::Stage::kLingering) &&
               now >= w.linger_end) {
      close(w);
    }
  }
}

void ConnectionGate::Impl::hand_off() {
  for (Waiting& w : waiting) {
    if (w.gone || w.stage != Waiting::Stage::kReady) continue;
    {
      const std::lock_guard lock(mutex);
      if (serving >= limits.workers) return;
      ++serving;
      served.insert(w.sock);
    }
    forget(w);
    workers->enqueue([this, sock = w.sock, head = w.head.head()] { serve_one(sock, head); });
  }
}

void ConnectionGate::Impl::serve_one(socket_t sock, const std::string& head) {
  try {
    HeadFirstStream stream(sock, head, limits.write_timeout);
    serve(stream);
  } catch (...) {
    // The request is lost with its connection; the server goes on.
  }
  {
    const std::lock_guard lock(mutex);
    served.erase(sock);
    shutdown(sock, kShutBoth);
    close_socket(sock);
    --serving;
  }
  waker.wake();  // a whole head may wait for this worker
}

void ConnectionGate::Impl::accept_new(Clock::time_point now) {
  for (int accepted = 0; accepted < 64; ++accepted) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
#ifdef _WIN32
    const socket_t sock = accept(listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
    if (sock != INVALID_SOCKET && !make_non_blocking(sock)) {
      close_socket(sock);
      continue;
    }
#else
    const socket_t sock = accept4(listener.get(), reinterpret_cast<sockaddr*>(&address), &length,
                                  SOCK_NONBLOCK | SOCK_CLOEXEC);
#endif
    if (sock == INVALID_SOCKET) {
      // With no socket left to take it, the oldest waiting one gives its own.
      if (out_of_sockets()) close_oldest(nullptr);
      return;
    }
    const std::string peer = address_text(address);
    make_room(peer);
    waiting.emplace_back(sock, peer, now, limits.head);
    ++waiting_from[peer];
    ++waiting_count;
  }
}

void ConnectionGate::Impl::make_room(const std::string& peer) {
  const auto from_peer = waiting_from.find(peer);
  if (from_peer != waiting_from.end() && from_peer->second >= limits.most_waiting_per_peer) {
    close_oldest(&peer);
  } else if (waiting_count >= limits.most_waiting) {
    close_oldest(nullptr);
  }
}

// Of all waiting connections, or of those from `peer`.
void ConnectionGate::Impl::close_oldest(const std::string* peer) {
  Waiting* oldest = nullptr;
  for (Waiting& w : waiting) {
    if (w.gone || (peer != nullptr && w.peer != *peer)) continue;
    if (oldest == nullptr || w.keep_rank() < oldest->keep_rank() ||
        (w.keep_rank() == oldest->keep_rank() && w.accepted < oldest->accepted)) {
      oldest = &w;
    }
  }
  if (oldest != nullptr) close(*oldest);
}

void ConnectionGate::Impl::forget(Waiting& w) {
  w.gone = true;
  --waiting_count;
  const auto from_peer = waiting_from.find(w.peer);
  if (from_peer != waiting_from.end() && --from_peer->second == 0) waiting_from.erase(from_peer);
}

void ConnectionGate::Impl::close(Waiting& w) {
  if (w.gone) return;
  close_socket(w.sock);
  forget(w);
}

void ConnectionGate::Impl::stop() {
  if (stopped.exchange(true)) return;
  stopping = true;
  waker.wake();
  if (thread.joinable()) thread.join();
  {
    // Blocked writes end at once, and so does a request not yet begun.
    const std::lock_guard lock(mutex);
    for (const socket_t sock : served) shutdown(sock, kShutBoth);
  }
  if (workers) workers->shutdown();
}

ConnectionGate::ConnectionGate(int port, ConnectionLimits limits, Headers refusal_headers,
                               Serve serve)
    : impl_(std::make_unique<Impl>(limits, std::move(refusal_headers), std::move(serve))) {
  impl_->listener = OwnedSocket(listen_on_loopback(port));
  if (!impl_->listener.valid()) throw ConnectionGateError("cannot listen on 127.0.0.1");
  impl_->port = port_of(impl_->listener.get());
  if (impl_->port <= 0) throw ConnectionGateError("cannot tell the port listened on");
  impl_->workers = std::make_unique<httplib::ThreadPool>(limits.workers);
  impl_->thread = std::thread([impl = impl_.get()] { impl->run(); });
}

ConnectionGate::~ConnectionGate() { stop(); }

int ConnectionGate::port() const { return impl_->port; }

void ConnectionGate::stop() { impl_->stop(); }

}  // namespace borgo::tools
