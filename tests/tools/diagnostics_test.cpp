// The pieces the diagnostics are made of: source lines, counts, text.
#include "tools/diagnostics.hpp"

#include <gtest/gtest.h>

#include <string>

#include "tools/text_encoding.hpp"

namespace borgo::tools {
namespace {

TEST(SourceLine, CountsLinesAsTheFieldReaderDoes) {
  struct Case {
    const char* name;
    std::string bytes;
    int line;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"CR LF", "a\r\nb\r\nc\r\n", 2, "b"},
      {"lone LF", "a\nb\nc", 3, "c"},
      {"lone CR", "a\rb\rc", 2, "b"},
      {"mixed", "a\r\n\rb\n", 3, "b"},
      {"empty line", "a\r\n\r\nb", 2, ""},
      {"last line without an end", "a\r\nlast", 2, "last"},
      {"past the end", "a\r\nb\r\n", 4, std::nullopt},
      {"line 0", "a", 0, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto line = source_line(c.bytes, c.line);
    ASSERT_EQ(line.has_value(), c.expected.has_value());
    if (line) {
      EXPECT_EQ(std::string(*line), *c.expected);
    }
  }
}

TEST(SummaryLine, CountsErrorsAndWarnings) {
  EXPECT_EQ(summary_line({0, 0}), "0 errors, 0 warnings");
  EXPECT_EQ(summary_line({1, 1}), "1 error, 1 warning");
  EXPECT_EQ(summary_line({2, 3}), "2 errors, 3 warnings");
}

TEST(TextEncoding, ConvertsAndEscapes) {
  EXPECT_EQ(utf8_from_1252("Citt\xE0 \x80 \x8A"), "Citt\xC3\xA0 \xE2\x82\xAC \xC5\xA0");
  EXPECT_EQ(utf8_from_1252("\x81"), "\xEF\xBF\xBD");  // unused in the code page
  EXPECT_EQ(json_string("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
  EXPECT_EQ(xml_escaped("<a & 'b'>\x01"), "&lt;a &amp; &apos;b&apos;&gt;");
}

TEST(TextEncoding, TakesUtf8IntoWindows1252OnlyWhenEveryLetterFits) {
  struct Case {
    const char* name;
    std::string utf8;
    std::optional<std::string> expected;
    std::string unheld;
  };
  const Case cases[] = {
      {"ASCII", "TX 903", "TX 903", ""},
      {"Latin-1 letters", "Citt\xC3\xA0 \xC3\xBF", "Citt\xE0 \xFF", ""},
      {"the letters in 0x80..0x9F", "\xE2\x82\xAC \xC5\xA0 \xC5\xB8", "\x80 \x8A \x9F", ""},
      {"a letter beyond the code page",
       "\xC5\x81\xC3\xB3"
       "d\xC5\xBA",
       std::nullopt, "\xC5\x81"},
      {"a control the code page lacks", "\xC2\x81", std::nullopt, "\xC2\x81"},
      {"a letter beyond 16 bits", "a\xF0\x9F\x9A\x86", std::nullopt, "\xF0\x9F\x9A\x86"},
      {"not UTF-8", "Citt\xE0", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Windows1252Text converted = windows_1252_from_utf8(c.utf8);
    EXPECT_EQ(converted.text, c.expected);
    EXPECT_EQ(converted.unheld, c.unheld);
    if (converted.text) {
      EXPECT_EQ(utf8_from_1252(*converted.text), c.utf8);  // and back
    }
  }
}

}  // namespace
}  // namespace borgo::tools
