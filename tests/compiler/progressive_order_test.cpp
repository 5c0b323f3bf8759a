#include "compiler/progressive_order.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/route_model.hpp"
#include "compiler/runtime_failure.hpp"

namespace borgo::compiler {
namespace {

// One change as the item records hold it: start, end and position.
struct Triple {
  std::int32_t position = 0;
  std::int32_t value = 0;
  std::int32_t flag = 0;
  bool operator==(const Triple&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Triple& t) {
    return out << "(" << t.position << ", " << t.value << ", " << t.flag << ")";
  }
};
using Records = std::array<Triple, 3>;  // items 81, 82, 83

void store(RouteModel& model, const Records& records) {
  for (int i = 0; i < 3; ++i) {
    ItemRecord& item = model.items[kProgressiveFar + i];
    item.start = records[i].position;
    item.end = records[i].value;
    item.position = records[i].flag;
  }
}

Records stored(const RouteModel& model) {
  Records out;
  for (int i = 0; i < 3; ++i) {
    const ItemRecord& item = model.items[kProgressiveFar + i];
    out[i] = {item.start, item.end, item.position};
  }
  return out;
}

Records ordered(const Records& in) {
  RouteModel model;
  store(model, in);
  progressive_ordina(model);
  return stored(model);
}

struct Case {
  std::string name;
  Records in;
  Records out;
};

void check(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ordered(c.in), c.out);
  }
}

constexpr Triple kZero{};

TEST(ProgressiveOrdina, ScenarioRowsInEitherOrder) {
  const Triple tre{315950, 412050, 1}, due{284500, -284500, 0}, uno{31100, 3050, 0};
  const Records expected{Triple{315950, 412150, 1}, due, uno};
  check({
      {"as written", {tre, due, uno}, expected},
      {"smallest under tre", {uno, due, tre}, expected},
  });
}

TEST(ProgressiveOrdina, EveryOrderOfDistinctPositionsEndsFurthestFirst) {
  std::array<std::int32_t, 3> positions{100, 200, 300};
  do {
    Records in;
    for (int i = 0; i < 3; ++i) in[i] = {positions[i], positions[i] * 7, 0};
    SCOPED_TRACE(testing::Message() << positions[0] << " " << positions[1] << " " << positions[2]);
    EXPECT_EQ(ordered(in), (Records{Triple{300, 2100, 0}, {200, 1400, 0}, {100, 700, 0}}));
  } while (std::next_permutation(positions.begin(), positions.end()));
}

TEST(ProgressiveOrdina, TiesBelowTheLargestPosition) {
  check({
      {"81 largest: 83 before 82",
       {Triple{300, 1, 0}, {100, 2, 0}, {100, 3, 0}},
       {Triple{300, 1, 0}, {100, 3, 0}, {100, 2, 0}}},
      {"82 largest: 83 before 81",
       {Triple{100, 1, 0}, {300, 2, 0}, {100, 3, 0}},
       {Triple{300, 2, 0}, {100, 3, 0}, {100, 1, 0}}},
      {"83 largest: 82 before 81",
       {Triple{100, 1, 0}, {100, 2, 0}, {300, 3, 0}},
       {Triple{300, 3, 0}, {100, 2, 0}, {100, 1, 0}}},
      {"only uno present",
       {kZero, kZero, Triple{31100, 3050, 0}},
       {Triple{31100, 3050, 0}, kZero, kZero}},
      {"absent record ends last",
       {Triple{200, 1, 0}, kZero, {100, 3, 0}},
       {Triple{200, 1, 0}, {100, 3, 0}, kZero}},
  });
}

TEST(ProgressiveOrdina, ASharedLargestPositionClearsAllThreeAndSkipsTheFlags) {
  check({
      {"81 and 82", {Triple{300, 1, 1}, {300, 2, 1}, {100, 3, 1}}, {}},
      {"81 and 83", {Triple{300, 1, 1}, {100, 2, 1}, {300, 3, 1}}, {}},
      {"82 and 83", {Triple{100, 1, 1}, {300, 2, 1}, {300, 3, 1}}, {}},
      {"all three", {Triple{200, 1, 1}, {200, 2, 1}, {200, 3, 1}}, {}},
  });
}

TEST(ProgressiveOrdina, PositionsSummingToZeroAreChosenByValue) {
  check({
      {"nothing given", {}, {}},
      {"only 83 positive",
       {Triple{0, -5, 0}, {0, -6, 1}, {0, 9, 0}},
       {Triple{0, 9, 0}, {0, 94, 1}, {0, -5, 0}}},
      {"only 81 positive",
       {Triple{0, 5, 0}, {0, -1, 0}, {0, -2, 0}},
       {Triple{0, 5, 0}, {0, -1, 0}, {0, -2, 0}}},
      {"only 82 positive",
       {Triple{0, -1, 0}, {0, 5, 0}, {0, -2, 0}},
       {Triple{0, 5, 0}, {0, -1, 0}, {0, -2, 0}}},
      {"81 and 82 positive: 82 wins",
       {Triple{0, 4, 0}, {0, 5, 0}, {0, -2, 0}},
       {Triple{0, 5, 0}, {0, 4, 0}, {0, -2, 0}}},
      {"all positive: 83 wins",
       {Triple{0, 4, 0}, {0, 5, 0}, {0, 6, 0}},
       {Triple{0, 6, 0}, {0, 5, 0}, {0, 4, 0}}},
      {"none positive", {Triple{0, 0, 1}, {0, -1, 1}, {0, 0, 0}}, {}},
      // Non-zero positions that cancel out still take the path by value.
      {"positions cancel",
       {Triple{-100, 5, 0}, {100, 6, 0}, kZero},
       {Triple{100, 6, 0}, {-100, 5, 0}, kZero}},
  });
}

TEST(ProgressiveOrdina, OnlyAFlagOfExactlyOneAddsAHundred) {
  check({
      {"flags 2, 1, -1",
       {Triple{300, 10, 2}, {200, 20, 1}, {100, 30, -1}},
       {Triple{300, 10, 2}, {200, 120, 1}, {100, 30, -1}}},
      {"every flag 1",
       {Triple{100, -150, 1}, {300, 0, 1}, {200, 20, 1}},
       {Triple{300, 100, 1}, {200, 120, 1}, {100, -50, 1}}},
      {"flag 257", {Triple{300, 10, 257}, kZero, kZero}, {Triple{300, 10, 257}, kZero, kZero}},
  });
}

TEST(ProgressiveOrdina, TouchesNothingButTheThreeTriples) {
  RouteModel model;
  for (int i = kFirstSignSlot; i <= kTrainAndLength; ++i) {
    ItemRecord& item = model.items[i];
    item.kind = 3;
    item.start = 400 + i;
    item.text = "item " + std::to_string(i);
    item.int1 = static_cast<std::int16_t>(i);
    item.flag = 1;
    item.seconds = 60;
  }
  const RouteModel before = model;
  progressive_ordina(model);

  // 81 .. 83 held positions 481, 482, 483: reversed; no flag of 1 among them.
  EXPECT_EQ(stored(model), (Records{Triple{483, 0, 0}, {482, 0, 0}, {481, 0, 0}}));
  for (int i = 0; i < kItemCount; ++i) {
    SCOPED_TRACE(i);
    ItemRecord expected = before.items[i];
    const ItemRecord& now = model.items[i];
    expected.start = now.start;
    expected.end = now.end;
    expected.position = now.position;
    EXPECT_EQ(now, expected);
    if (i < kProgressiveFar || i > kProgressiveNear) {
      EXPECT_EQ(now, before.items[i]);
    }
  }
}

TEST(ProgressiveOrdina, ASecondRunAddsTheHundredAgain) {
  RouteModel model;
  store(model, {Triple{315950, 412050, 1}, {284500, -284500, 0}, {31100, 3050, 0}});
  progressive_ordina(model);
  progressive_ordina(model);
  EXPECT_EQ(stored(model)[0], (Triple{315950, 412250, 1}));
}

TEST(ProgressiveOrdina, ArithmeticOutside32BitsIsARunTimeFailure) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  struct Overflow {
    std::string name;
    Records in;
    Records left;  // what the records hold after the failure
  };
  const std::vector<Overflow> cases = {
      {"sum of positions",
       {Triple{kMax, 1, 0}, {1, 2, 0}, kZero},
       {Triple{kMax, 1, 0}, {1, 2, 0}, kZero}},
      {"flag on the largest value",
       {Triple{300, 5, 1}, {200, kMax, 1}, kZero},
       {Triple{300, 105, 1}, {200, kMax, 1}, kZero}},
  };
  for (const Overflow& c : cases) {
    SCOPED_TRACE(c.name);
    RouteModel model;
    store(model, c.in);
    EXPECT_THROW(progressive_ordina(model), RuntimeFailure);
    EXPECT_EQ(stored(model), c.left);
  }
}

}  // namespace
}  // namespace borgo::compiler
