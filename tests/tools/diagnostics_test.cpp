// The pieces the diagnostics are made of: source lines, counts, text.
#include "tools/diagnostics.hpp"

#include <gtest/gtest.h>

#include <string>

#include "tools/text_encoding.hpp"

namespace borgo::tools {
namespace {

TEST(LineIndex, CountsLinesAsTheFieldReaderDoes) {
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
      {"lone CR before CR LF", "a\r\r\nb", 2, ""},
      {"CR LF after a lone CR", "a\r\r\nb", 3, "b"},
      {"empty first line", "\nx", 1, ""},
      {"LF after an empty line", "\n\nx", 2, ""},
      {"empty line", "a\r\n\r\nb", 2, ""},
      {"last line without an end", "a\r\nlast", 2, "last"},
      {"empty after the last line end", "a\r\nb\r\n", 3, ""},
      {"past the end", "a\r\nb\r\n", 4, std::nullopt},
      {"empty document", "", 1, ""},
      {"line 0", "a", 0, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto line = LineIndex(c.bytes).line(c.line);
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

}  // namespace
}  // namespace borgo::tools
