// Messages on a byte stream: each header and its content, and what a bad
// header leaves of the stream for the next message.
#include "tools/lsp/protocol/framing.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace borgo::tools::lsp {
namespace {

// What the reader made of a stream, frame by frame: "message:CONTENT",
// "bad:PROBLEM" or "end".
std::vector<std::string> frames_of(const std::string& stream, FramingLimits limits = {}) {
  std::stringbuf input(stream);
  MessageReader reader(input, limits);
  std::vector<std::string> out;
  for (std::size_t i = 0; i <= stream.size() + 1; ++i) {
    const Frame frame = reader.next();
    if (frame.kind == Frame::Kind::kEnd) {
      out.push_back("end");
      return out;
    }
    out.push_back(frame.kind == Frame::Kind::kMessage ? "message:" + frame.content
                                                      : "bad:" + frame.problem);
  }
  ADD_FAILURE() << "the reader did not end with its input";
  return out;
}

TEST(MessageReader, ReadsEachMessageAndResumesAfterABadHeader) {
  const FramingLimits small{
      .longest_header_line = 40, .most_header_lines = 3, .longest_content = 10};
  struct Case {
    const char* name;
    std::string stream;
    std::vector<std::string> frames;
  };
  const Case cases[] = {
      {"one message", "Content-Length: 2\r\n\r\n{}", {"message:{}", "end"}},
      {"two in a row", framed("[1]") + framed("{}"), {"message:[1]", "message:{}", "end"}},
      {"any letter case, a type, blanks",
       "content-LENGTH:   3  \r\nContent-Type: application/vscode-jsonrpc; "
       "charset=utf-8\r\n\r\nabc",
       {"message:abc", "end"}},
      {"bare line feeds", "Content-Length: 1\n\nx", {"message:x", "end"}},
      {"blank lines between messages", "\r\n\r\n" + framed("a"), {"message:a", "end"}},
      {"no Content-Length",
       "Content-Type: x\r\n\r\n" + framed("a"),
       {"bad:no Content-Length header", "message:a", "end"}},
      {"a length that is not a number",
       "Content-Length: 1e3\r\n\r\n" + framed("a"),
       {"bad:a Content-Length that is not a number", "message:a", "end"}},
      {"a negative length",
       "Content-Length: -1\r\n\r\n" + framed("a"),
       {"bad:a Content-Length that is not a number", "message:a", "end"}},
      {"two lengths that differ",
       "Content-Length: 1\r\nContent-Length: 2\r\n\r\nx" + framed("a"),
       {"bad:two different Content-Length headers", "message:a", "end"}},
      {"a line without a colon, its content skipped",
       "Content-Length: 3\r\ngarbage\r\n\r\nabc" + framed("a"),
       {"bad:a header line without a colon", "message:a", "end"}},
      {"an end inside the content", "Content-Length: 10\r\n\r\nabc", {"end"}},
      {"an end inside the header", "Content-Length: 10\r\n", {"end"}},
      {"nothing at all", "", {"end"}},
      {"a length of many digits",
       "Content-Length: 99999999999999999999999999\r\n\r\n{}",
       {"bad:a Content-Length above the limit of 67108864", "end"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(frames_of(c.stream), c.frames);
  }
  const Case limited[] = {
      {"content above the limit, skipped",
       "Content-Length: 11\r\n\r\n12345678901" + framed("a"),
       {"bad:a Content-Length above the limit of 10", "message:a", "end"}},
      {"a header line too long",
       "X: " + std::string(100, 'x') + "\r\n\r\n" + framed("a"),
       {"bad:a header line longer than the limit", "message:a", "end"}},
      {"too many header lines",
       "A: 1\r\nB: 2\r\nC: 3\r\nContent-Length: 1\r\n\r\nx" + framed("a"),
       {"bad:more header lines than the limit", "message:a", "end"}},
      {"content at the limit", framed("1234567890"), {"message:1234567890", "end"}},
  };
  for (const Case& c : limited) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(frames_of(c.stream, small), c.frames);
  }
}

}  // namespace
}  // namespace borgo::tools::lsp
