// Columns as clients count them, both ways, in each position encoding.
#include "tools/lsp/protocol/positions.hpp"

#include <gtest/gtest.h>

#include <string>

namespace borgo::tools::lsp {
namespace {

using E = PositionEncoding;

TEST(Positions, CountTheClientsUnitsBothWays) {
  // "Città 😀x": à is 2 bytes in UTF-8, the emoji 4 bytes and two UTF-16 units.
  const std::string line = "Citt\xC3\xA0 \xF0\x9F\x98\x80x";
  struct Case {
    const char* name;
    std::size_t characters;  // before the column
    E encoding;
    std::int64_t units;
  };
  const Case cases[] = {
      {"ASCII", 4, E::kUtf16, 4},
      {"after a two-byte letter, UTF-16", 5, E::kUtf16, 5},
      {"after a two-byte letter, UTF-8", 5, E::kUtf8, 6},
      {"after an emoji, UTF-16", 7, E::kUtf16, 8},
      {"after an emoji, UTF-8", 7, E::kUtf8, 11},
      {"after an emoji, UTF-32", 7, E::kUtf32, 7},
      {"the whole line, UTF-16", 8, E::kUtf16, 9},
      {"past the end", 50, E::kUtf16, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(units_before(line, c.characters, Counted::kCharacters, c.encoding), c.units);
    EXPECT_EQ(count_before(line, c.units, Counted::kCharacters, c.encoding),
              std::min<std::size_t>(c.characters, 8));
  }
  // A unit inside a character counts from that character's start.
  EXPECT_EQ(count_before(line, 7, Counted::kCharacters, E::kUtf16), 6u);
  EXPECT_EQ(count_before(line, 5, Counted::kCharacters, E::kUtf8), 4u);
  // Counting bytes: a document that is UTF-8 on disk.
  EXPECT_EQ(units_before(line, 6, Counted::kBytes, E::kUtf16), 5);
  EXPECT_EQ(count_before(line, 5, Counted::kBytes, E::kUtf16), 6u);
  // Bytes that are not UTF-8 count one each.
  EXPECT_EQ(units_before("a\xFF\xC3", 3, Counted::kCharacters, E::kUtf8), 3);
}

TEST(Positions, EncodingIsTheClientsFirstKnownChoiceElseUtf16) {
  struct Case {
    const char* capabilities;
    E expected;
  };
  const Case cases[] = {
      {R"({})", E::kUtf16},
      {R"({"general": {"positionEncodings": ["utf-8", "utf-16"]}})", E::kUtf8},
      {R"({"general": {"positionEncodings": ["utf-16", "utf-8"]}})", E::kUtf16},
      {R"({"general": {"positionEncodings": ["latin-1", "utf-32"]}})", E::kUtf32},
      {R"({"general": {"positionEncodings": "utf-8"}})", E::kUtf16},
      {R"({"general": []})", E::kUtf16},
      {R"([])", E::kUtf16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capabilities);
    EXPECT_EQ(negotiated_encoding(nlohmann::json::parse(c.capabilities)), c.expected);
  }
}

}  // namespace
}  // namespace borgo::tools::lsp
