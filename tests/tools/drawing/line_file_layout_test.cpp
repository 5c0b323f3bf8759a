// The line file's layout read in place: runs of one type code each, and
// every entry found again by its index, as the decompiler reads a plan of a
// million metres.
#include "tools/drawing/line_file_layout.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace borgo::tools {
namespace {

using compiler::PlanValue;

std::string le(std::uint64_t value, std::size_t width) {
  std::string bytes;
  for (std::size_t i = 0; i < width; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
  return bytes;
}

std::string entry_bytes(const PlanValue& v) {
  std::string bytes = le(v.tag, 2);
  if (v.tag == PlanValue::kInt16) bytes += le(static_cast<std::uint16_t>(v.integer), 2);
  if (v.tag == PlanValue::kDouble) bytes += le(std::bit_cast<std::uint64_t>(v.real), 8);
  return bytes;
}

// Two coordinates of four metres, codes changing at entries 2, 4, 6 and 7.
const std::vector<PlanValue>& entries() {
  static const std::vector<PlanValue> table{
      PlanValue::of_int16(0),
      PlanValue::of_int16(1),
      PlanValue::of_double(2.5),
      PlanValue::of_double(-3.0),
      PlanValue{},
      PlanValue{},
      PlanValue::of_int16(-7),
      PlanValue::of_double(8.25),
  };
  return table;
}

std::string file_of(const std::vector<PlanValue>& values) {
  std::string bytes;
  for (const PlanValue& v : values) bytes += entry_bytes(v);
  return bytes;
}

TEST(LineFileLayout, FindsEveryEntryByItsIndex) {
  const std::string bytes = file_of(entries());
  const LineFileLayout layout(bytes);
  ASSERT_FALSE(layout.problem()) << layout.problem()->message;
  EXPECT_EQ(layout.entries(), entries().size());
  EXPECT_EQ(layout.metres(), 4u);
  std::size_t offset = 0;
  for (std::size_t e = 0; e < entries().size(); ++e) {
    SCOPED_TRACE("entry " + std::to_string(e));
    EXPECT_EQ(layout.offset_of(e), offset);
    EXPECT_EQ(layout.entry(e), entries()[e]);
    offset += entry_bytes(entries()[e]).size();
  }
  EXPECT_EQ(layout.offset_of(entries().size()), bytes.size());
  EXPECT_EQ(layout.decoded(), entries());
}

TEST(LineFileLayout, KeepsOneRunForEachStretchOfOneTypeCode) {
  const std::string bytes = file_of(entries());
  const LineFileLayout layout(bytes);
  struct Expected {
    PlanValue::Tag tag;
    std::size_t first, count, offset;
  };
  const std::vector<Expected> expected{{PlanValue::kInt16, 0, 2, 0},
                                       {PlanValue::kDouble, 2, 2, 8},
                                       {PlanValue::kUnset, 4, 2, 28},
                                       {PlanValue::kInt16, 6, 1, 32},
                                       {PlanValue::kDouble, 7, 1, 36}};
  ASSERT_EQ(layout.runs().size(), expected.size());
  for (std::size_t r = 0; r < expected.size(); ++r) {
    SCOPED_TRACE("run " + std::to_string(r));
    EXPECT_EQ(layout.runs()[r].tag, expected[r].tag);
    EXPECT_EQ(layout.runs()[r].first, expected[r].first);
    EXPECT_EQ(layout.runs()[r].count, expected[r].count);
    EXPECT_EQ(layout.runs()[r].offset, expected[r].offset);
  }
}

TEST(LineFileLayout, FindsTheFirstEntryOfAnotherTypeCode) {
  const std::string bytes = file_of(entries());
  const LineFileLayout layout(bytes);
  struct Case {
    PlanValue::Tag tag;
    std::size_t first, end, found;
  };
  const std::vector<Case> cases{
      {PlanValue::kDouble, 2, 8, 4},                                // a run's end
      {PlanValue::kDouble, 3, 8, 4},                                // from inside the run
      {PlanValue::kDouble, 3, 4, 4},                                // none before the end
      {PlanValue::kInt16, 0, 8, 2},  {PlanValue::kUnset, 0, 8, 0},  // at the first
      {PlanValue::kUnset, 5, 8, 6},  {PlanValue::kUnset, 4, 6, 6}, {PlanValue::kInt16, 6, 8, 7},
      {PlanValue::kDouble, 7, 8, 8}, {PlanValue::kInt16, 5, 5, 5},  // an empty stretch
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("from " + std::to_string(c.first) + " to " + std::to_string(c.end));
    EXPECT_EQ(layout.first_not(c.tag, c.first, c.end), c.found);
  }
}

// A problem keeps the entries before it, and says where the file stops
// fitting; the messages themselves are the dump's, pinned with it.
TEST(LineFileLayout, StopsAtTheFirstEntryThatDoesNotFit) {
  const std::string whole = file_of(entries());
  struct Case {
    std::string name;
    std::string bytes;
    std::size_t entries, offset;
  };
  const std::vector<Case> cases{
      {"a double cut short after a run of doubles", whole + le(5, 2) + "\x01", 8, whole.size()},
      {"half a type code", whole + "\x05", 8, whole.size()},
      {"an unknown code inside a run",
       file_of({entries().begin(), entries().begin() + 3}) + le(9, 2) +
           file_of({entries().begin() + 3, entries().end()}),
       3, 18},
      {"an odd number of entries", whole + le(0, 2), 9, whole.size() + 2},
      {"nothing", "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LineFileLayout layout(c.bytes);
    ASSERT_TRUE(layout.problem());
    EXPECT_EQ(layout.problem()->offset, c.offset);
    EXPECT_EQ(layout.entries(), c.entries);
    EXPECT_EQ(layout.offset_of(layout.entries()), std::min(c.offset, c.bytes.size()));
  }
}

}  // namespace
}  // namespace borgo::tools
