#include "tools/preview/request_head.hpp"

#include <algorithm>
#include <array>

namespace borgo::tools {
namespace {

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// A tab is the one control character a header value may hold.
bool is_control(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7f;
}

}  // namespace

RequestHeadReader::State RequestHeadReader::take(std::string_view bytes) {
  for (const char c : bytes) {
    if (state_ != State::kReading) break;
    take_byte(c);
  }
  return state_;
}

void RequestHeadReader::take_byte(char c) {
  const bool after_cr = !head_.empty() && head_.back() == '\r';
  if (after_cr && c != '\n') return refuse(400, "a CR without its LF");
  if (c == '\n' && !after_cr) return refuse(400, "a line that ends without a CR");
  if (is_control(c)) return refuse(400, "a control character in the request head");
  if (head_.size() >= limits_.largest_head) return refuse(431, "a request head too large");
  head_ += c;
  if (head_.size() - line_start_ > limits_.longest_line) {
    return line_start_ == 0 ? refuse(414, "a request line too long")
                            : refuse(431, "a header line too long");
  }
  if (c == '\n') end_line();
}

void RequestHeadReader::end_line() {
  const bool request_line = line_start_ == 0;
  const std::size_t length = head_.size() - line_start_;
  line_start_ = head_.size();
  if (request_line) return;
  if (length == 2) {
    state_ = State::kComplete;
    refuse_a_body();
    return;
  }
  if (++header_lines_ > limits_.most_header_lines) refuse(431, "too many header lines");
}

// The head is left unread past its blank line, so a body would never be
// read: a request announcing one is refused instead of being answered as if
// it had none.
void RequestHeadReader::refuse_a_body() {
  const std::string_view head = head_;
  const std::size_t request_line_end = head.find("\r\n");
  const std::string_view method = head.substr(0, head.find(' '));
  bool body = false;
  std::size_t at = request_line_end + 2;
  for (std::size_t end; (end = head.find("\r\n", at)) != at;) {
    const std::string_view line = head.substr(at, end - at);
    at = end + 2;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = trimmed(line.substr(colon + 1));
    if (equal_ignoring_ascii_case(name, "Transfer-Encoding")) body = true;
    if (equal_ignoring_ascii_case(name, "Content-Length")) {
      if (value.empty() || value.find_first_not_of("0123456789") != std::string_view::npos) {
        return refuse(400, "a Content-Length that is no length");
      }
      if (value.find_first_not_of('0') != std::string_view::npos) body = true;
    }
  }
  if (!body) return;
  // The methods that may carry one find no path here (404), as they do
  // without it; GET, HEAD and the rest take none (400).
  constexpr std::array<std::string_view, 5> kMethodsWithABody{"POST", "PUT", "PATCH", "DELETE",
                                                              "OPTIONS"};
  const bool may_have_one = std::find(kMethodsWithABody.begin(), kMethodsWithABody.end(), method) !=
                            kMethodsWithABody.end();
  refuse(may_have_one ? 404 : 400, "a request with a body: nothing here takes one");
}

void RequestHeadReader::refuse(int status, std::string_view reason) {
  state_ = State::kRefused;
  refusal_ = {status, reason};
}

}  // namespace borgo::tools
