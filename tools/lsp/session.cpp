#include "tools/lsp/session.hpp"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace borgo::tools::lsp {
namespace {

// Frames read ahead of the server, a bounded number and size of them: a
// client that floods waits for the server.
class FrameQueue {
 public:
  static constexpr std::size_t kMostWaiting = 64;
  static constexpr std::size_t kMostBytesWaiting = std::size_t{128} << 20;

  void push(Frame frame) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] {
      return closed_ || waiting_.empty() ||
             (waiting_.size() < kMostWaiting && bytes_ < kMostBytesWaiting);
    });
    if (closed_) return;
    bytes_ += frame.content.size();
    waiting_.push_back(std::move(frame));
    ready_.notify_all();
  }

  // The next frame, or nothing when `until` comes first.
  std::optional<Frame> pop(std::optional<LanguageServer::Clock::time_point> until) {
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return !waiting_.empty(); };
    if (until) {
      if (!ready_.wait_until(lock, *until, ready)) return std::nullopt;
    } else {
      ready_.wait(lock, ready);
    }
    Frame frame = std::move(waiting_.front());
    waiting_.pop_front();
    bytes_ -= frame.content.size();
    room_.notify_all();
    return frame;
  }

  // The server is done: a reader waiting for room stops.
  void close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    room_.notify_all();
  }

  void finished() {
    std::lock_guard lock(mutex_);
    reader_done_ = true;
    done_.notify_all();
  }

  // Waits a little for the reader to end; true when it has.
  bool wait_for_reader(std::chrono::milliseconds most) {
    std::unique_lock lock(mutex_);
    return done_.wait_for(lock, most, [&] { return reader_done_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable room_;
  std::condition_variable done_;
  std::deque<Frame> waiting_;
  std::size_t bytes_ = 0;
  bool closed_ = false;
  bool reader_done_ = false;
};

}  // namespace

int serve(std::streambuf& input, std::ostream& output, ServerOptions options,
          FramingLimits limits) {
  LanguageServer server(options);
  auto queue = std::make_shared<FrameQueue>();
  std::thread reader([queue, &input, limits] {
    MessageReader messages(input, limits);
    for (;;) {
      Frame frame = messages.next();
      const bool end = frame.kind == Frame::Kind::kEnd;
      queue->push(std::move(frame));
      if (end) break;
    }
    queue->finished();
  });

  int status = 1;
  for (;;) {
    std::optional<Frame> frame = queue->pop(server.next_due());
    std::vector<std::string> replies;
    if (!frame) {
      replies = server.due(LanguageServer::Clock::now());
    } else if (frame->kind == Frame::Kind::kMessage) {
      replies = server.receive(frame->content, LanguageServer::Clock::now());
    } else if (frame->kind == Frame::Kind::kBadHeader) {
      replies = server.bad_frame(frame->problem);
    }
    for (const std::string& reply : replies) output << framed(reply);
    if (!replies.empty() && !output.flush()) break;  // the client is gone
    if (server.exited()) {
      status = server.exit_status();
      break;
    }
    if (frame && frame->kind == Frame::Kind::kEnd) break;
  }
  queue->close();
  // A reader still waiting for input after exit is left to the process's
  // end; one that has finished is joined.
  if (queue->wait_for_reader(std::chrono::milliseconds(500))) {
    reader.join();
  } else {
    reader.detach();
  }
  return status;
}

}  // namespace borgo::tools::lsp
