#include "documents/line_table.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace borgo::documents
