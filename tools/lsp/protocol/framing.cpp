#include "tools/lsp/protocol/framing.hpp"

#include <algorithm>
#include <array>
#include <optional>

namespace borgo::tools::lsp {
namespace {

using Traits = std::streambuf::traits_type;

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// A Content-Length value: decimal digits only, no larger than `most`.
std::optional<std::size_t> length_value(std::string_view text, std::size_t most) {
  if (text.empty()) return std::nullopt;
  std::size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::size_t>(c - '0');
    if (value > (most - digit) / 10) return most + 1;  // too large, however long
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

MessageReader::Line MessageReader::header_line(std::string& line) {
  line.clear();
  bool too_long = false;
  for (;;) {
    const Traits::int_type c = input_.sbumpc();
    if (Traits::eq_int_type(c, Traits::eof())) return Line::kEnd;
    const char byte = Traits::to_char_type(c);
    if (byte == '\n') break;
    if (line.size() < limits_.longest_header_line) {
      line += byte;
    } else {
      too_long = true;  // the rest of the line is read and dropped
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return too_long ? Line::kTooLong : Line::kRead;
}

bool MessageReader::skip(std::size_t count) {
  std::array<char, 4096> buffer{};
  while (count > 0) {
    const auto want = static_cast<std::streamsize>(std::min(count, buffer.size()));
    const std::streamsize got = input_.sgetn(buffer.data(), want);
    if (got <= 0) return false;
    count -= static_cast<std::size_t>(got);
  }
  return true;
}

Frame MessageReader::next() {
  std::string line;
  std::string problem;
  std::optional<std::size_t> length;
  std::size_t lines = 0;
  for (;;) {
    const Line read = header_line(line);
    if (read == Line::kEnd) return {};
    if (read == Line::kTooLong) {
      if (problem.empty()) problem = "a header line longer than the limit";
      ++lines;
      continue;
    }
    if (line.empty()) {
      if (lines == 0 && problem.empty()) continue;  // blank lines between messages
      break;
    }
    // Past the limit the header is refused, but still read for its length.
    if (++lines > limits_.most_header_lines && problem.empty()) {
      problem = "more header lines than the limit";
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
      if (problem.empty()) problem = "a header line without a colon";
      continue;
    }
    const std::string name = lowered(trimmed(std::string_view(line).substr(0, colon)));
    if (name != "content-length") continue;  // Content-Type and others say nothing we need
    const std::optional<std::size_t> value =
        length_value(trimmed(std::string_view(line).substr(colon + 1)), limits_.longest_content);
    if (!value) {
      if (problem.empty()) problem = "a Content-Length that is not a number";
    } else if (length && *length != *value) {
      if (problem.empty()) problem = "two different Content-Length headers";
    } else {
      length = value;
    }
  }
  if (length && *length > limits_.longest_content) {
    // Kept in step with the sender: its content is read and dropped.
    skip(*length);
    return {Frame::Kind::kBadHeader,
            {},
            "a Content-Length above the limit of " + std::to_string(limits_.longest_content)};
  }
  if (!length && problem.empty()) problem = "no Content-Length header";
  if (!problem.empty()) {
    if (length) skip(*length);
    return {Frame::Kind::kBadHeader, {}, problem};
  }
  // Read as it arrives: a length announced is no promise of bytes.
  Frame frame{Frame::Kind::kMessage, {}, {}};
  std::array<char, 4096> buffer{};
  while (frame.content.size() < *length) {
    const std::size_t want = std::min(*length - frame.content.size(), buffer.size());
    const std::streamsize got = input_.sgetn(buffer.data(), static_cast<std::streamsize>(want));
    if (got <= 0) return {};  // the input ended inside the content
    frame.content.append(buffer.data(), static_cast<std::size_t>(got));
  }
  return frame;
}

std::string framed(std::string_view content) {
  std::string out = "Content-Length: " + std::to_string(content.size()) + "\r\n\r\n";
  out += content;
  return out;
}

}  // namespace borgo::tools::lsp
