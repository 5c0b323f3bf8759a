// A whole session over a byte stream: framing, bad input and the lifecycle,
// as a client's bytes arrive.
#include "tools/lsp/session.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace borgo::tools::lsp {
namespace {

using nlohmann::json;

struct Session {
  int status = -1;
  std::vector<json> replies;
};

Session session(const std::string& input) {
  std::stringbuf in(input);
  std::ostringstream out;
  Session result;
  result.status = serve(in, out, ServerOptions{});
  std::stringbuf written(out.str());
  MessageReader reader(written);
  for (Frame frame = reader.next(); frame.kind != Frame::Kind::kEnd; frame = reader.next()) {
    EXPECT_EQ(frame.kind, Frame::Kind::kMessage) << frame.problem;
    result.replies.push_back(json::parse(frame.content));
  }
  return result;
}

std::string message(const json& content) { return framed(content.dump()); }

TEST(LspSession, GoesOnPastBadInputAndEndsAsTheClientSays) {
  const std::string start =
      "Content-Length: x\r\n\r\n" + framed("{not json") +
      message(
          {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}}) +
      message({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "no/such/method"}}) +
      message({{"jsonrpc", "2.0"}, {"id", 3}, {"method", "shutdown"}});
  struct Case {
    const char* name;
    std::string input;
    int status;
  };
  const Case cases[] = {
      {"shutdown, then exit",
       start + message({{"jsonrpc", "2.0"}, {"method", "exit"}}) + "trailing", 0},
      {"the input ends without exit", start, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Session s = session(c.input);
    EXPECT_EQ(s.status, c.status);
    ASSERT_EQ(s.replies.size(), 5u);
    EXPECT_EQ(s.replies[0]["error"]["code"], -32700);  // the header
    EXPECT_EQ(s.replies[1]["error"]["code"], -32700);  // the JSON
    EXPECT_EQ(s.replies[2]["id"], 1);
    EXPECT_TRUE(s.replies[2]["result"].contains("capabilities"));
    EXPECT_EQ(s.replies[3]["error"]["code"], -32601);
    EXPECT_EQ(s.replies[4]["id"], 3);
    EXPECT_TRUE(s.replies[4]["result"].is_null());
  }
}

}  // namespace
}  // namespace borgo::tools::lsp
