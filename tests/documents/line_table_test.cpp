#include "documents/line_table.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace borgo::documents {
namespace {

constexpr LineTable kSample =
    make_line_table("first\r\n\r\ntrailing blank \r\n\xE0\xE8\xF2\xF9\xB0\r\n");

TEST(LineTable, HoldsEveryLineThenTheMarker) {
  EXPECT_EQ(kSample[0], "first");
  EXPECT_EQ(kSample[1], "");
  EXPECT_EQ(kSample[2], "trailing blank ");
  EXPECT_EQ(kSample[3], "\xE0\xE8\xF2\xF9\xB0");
  EXPECT_EQ(kSample[4], kEndMarker);
  EXPECT_EQ(kSample[5], "");
}

TEST(LineTable, RendersTheSameBytesItWasMadeFrom) {
  EXPECT_EQ(render_lines(kSample), "first\r\n\r\ntrailing blank \r\n\xE0\xE8\xF2\xF9\xB0\r\n");
}

TEST(LineTable, StopsAtTheMarkerAndWritesNothingAfterIt) {
  LineTable table{};
  table[0] = "kept";
  table[1] = kEndMarker;
  table[2] = "never written";
  EXPECT_EQ(render_lines(table), "kept\r\n");
}

TEST(LineTable, MarkerComparisonIsExact) {
  LineTable table{};
  table[0] = "Riferimento fine del file";
  table[1] = "riferimento fine del file ";
  table[2] = kEndMarker;
  EXPECT_EQ(render_lines(table), "Riferimento fine del file\r\nriferimento fine del file \r\n");
}

TEST(LineTable, EmptyDocumentWritesNothing) {
  constexpr LineTable empty = make_line_table("");
  EXPECT_EQ(empty[0], kEndMarker);
  EXPECT_EQ(render_lines(empty), "");
}

// At run time a document that makes no table is told apart by its fault and
// the line where it shows.
TEST(LineTable, ADocumentThatMakesNoTableNamesItsFaultAndLine) {
  using Kind = LineTableFault::Kind;
  std::string thousand;
  for (int i = 0; i < 1000; ++i) thousand += "x\r\n";
  struct Case {
    const char* name;
    std::string document;
    std::optional<Kind> kind;
    std::size_t line;
  };
  const Case cases[] = {
      {"CR LF lines", "a\r\n\r\nb\r\n", std::nullopt, 0},
      {"a thousand lines", thousand, std::nullopt, 0},
      {"a thousand and one lines", thousand + "x\r\n", Kind::kTooManyLines, 1001},
      {"a lone LF", "a\r\nb\nc\r\n", Kind::kLoneLineFeed, 2},
      {"a lone CR", "a\rb\r\n", Kind::kLoneCarriageReturn, 1},
      {"a CR at the very end", "a\r\nb\r", Kind::kLoneCarriageReturn, 2},
      {"a last line without its end", "a\r\nb", Kind::kUnendedLastLine, 2},
      {"the end marker as a line", "a\r\nriferimento fine del file\r\n", Kind::kEndMarkerLine, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto table = std::make_unique<LineTable>();
    const std::optional<LineTableFault> fault = fill_line_table(c.document, *table);
    ASSERT_EQ(fault.has_value(), c.kind.has_value());
    if (fault) {
      EXPECT_EQ(fault->kind, *c.kind);
      EXPECT_EQ(fault->line, c.line);
    } else {
      EXPECT_EQ(render_lines(*table), c.document);
    }
  }
}

}  // namespace
}  // namespace borgo::documents
