#pragma once

// The language server's messages on a byte stream: a header of
// "Name: value" lines, each ended by CR LF, an empty line, then as many
// bytes of content as the Content-Length header says.

#include <cstddef>
#include <streambuf>
#include <string>
#include <string_view>

namespace borgo::tools::lsp {

// What a header may take before the reader stops trusting it. A message's
// content is bounded by its Content-Length, which is bounded here.
struct FramingLimits {
  std::size_t longest_header_line = 1024;
  std::size_t most_header_lines = 16;
  std::size_t longest_content = std::size_t{64} << 20;
};

struct Frame {
  enum class Kind {
    kMessage,    // `content` holds the message
    kBadHeader,  // a header the reader cannot take; `problem` says why
    kEnd,        // the input has ended
  };
  Kind kind = Kind::kEnd;
  std::string content;
  std::string problem;
};

// Reads one message after another. A bad header is reported and reading
// goes on after it: past the content its Content-Length announced, when it
// had a valid one, so that the next message is found where the sender put
// it. Every step consumes input, so a reader ends with its input.
class MessageReader {
 public:
  explicit MessageReader(std::streambuf& input, FramingLimits limits = {})
      : input_(input), limits_(limits) {}

  Frame next();

 private:
  enum class Line { kRead, kTooLong, kEnd };
  Line header_line(std::string& line);
  // Reads and drops `count` bytes; false when the input ends first.
  bool skip(std::size_t count);

  std::streambuf& input_;
  FramingLimits limits_;
};

// A message's content framed for sending.
std::string framed(std::string_view content);

}  // namespace borgo::tools::lsp
