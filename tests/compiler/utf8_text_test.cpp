// UTF-8 told apart from Windows-1252: only well-formed sequences decode.
#include "compiler/utf8_text.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace borgo::compiler {
namespace {

TEST(DecodeUtf8, DecodesWellFormedTextAndRefusesEverythingElse) {
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<std::u32string> expected;
  };
  const Case cases[] = {
      {"ASCII", "abc", U"abc"},
      {"empty", "", U""},
      {"two bytes", "Citt\xC3\xA0", U"Citt\u00E0"},
      {"three bytes", "\xE2\x82\xAC", U"\u20AC"},
      {"four bytes", "\xF0\x9F\x9A\x86", U"\U0001F686"},
      {"the last code point", "\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
      {"a NUL byte", std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
      {"a Windows-1252 letter", "Citt\xE0 x", std::nullopt},
      {"a stray continuation byte", "\x80", std::nullopt},
      {"a missing continuation byte", "\xC3x", std::nullopt},
      {"cut off at the end", "a\xE2\x82", std::nullopt},
      {"overlong in two bytes", "\xC0\xAF", std::nullopt},
      {"overlong in three bytes", "\xE0\x80\xAF", std::nullopt},
      {"a high surrogate", "\xED\xA0\x80", std::nullopt},
      {"a low surrogate", "\xED\xBF\xBF", std::nullopt},
      {"past U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
      {"a lead byte that leads nothing", "\xF8\x88\x80\x80\x80", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode_utf8(c.bytes), c.expected);
  }
}

}  // namespace
}  // namespace borgo::compiler
