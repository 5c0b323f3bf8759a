#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace borgo::tools {

// How large a request head the preview server takes.
struct HeadLimits {
  std::size_t longest_line = 8192;  // a request or header line, CR LF included
  std::size_t most_header_lines = 100;
  std::size_t largest_head = 32 * 1024;
};

// Reads a request's head as its bytes come in, and refuses it as soon as
// they show that the server would not take it, so that no more of a hostile
// head is ever held than its bounds: a line or a head too long, too many
// header lines, a control character (a NUL, say) or a line break other than
// CR LF, and a request that carries a body, which no path here takes. A head
// it lets through is whole and clean, for the HTTP library to parse.
class RequestHeadReader {
 public:
  enum class State { kReading, kComplete, kRefused };
  struct Refusal {
    int status = 0;
    std::string_view reason;
  };

  explicit RequestHeadReader(HeadLimits limits) : limits_(limits) {}

  // Takes the bytes that came next; any after the head's end are not taken.
  State take(std::string_view bytes);

  State state() const { return state_; }
  // Whether any byte has come at all.
  bool started() const { return !head_.empty(); }
  // The head up to and including its blank line, once complete.
  const std::string& head() const { return head_; }
  const Refusal& refusal() const { return refusal_; }

 private:
  void take_byte(char c);
  void end_line();
  void refuse_a_body();
  void refuse(int status, std::string_view reason);

  HeadLimits limits_;
  State state_ = State::kReading;
  std::string head_;
  std::size_t line_start_ = 0;
  std::size_t header_lines_ = 0;
  Refusal refusal_;
};

}  // namespace borgo::tools
