#include "compiler/code_pass.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace borgo::compiler {
namespace {

// A grid of 200 cells with features put in by hand.
struct Grid {
  RouteModel model;
  Grid() {
    model.cell_last = 199;
    model.cells.assign(200, CellRecord{});
  }
  Grid& put(int cell, std::uint8_t kind, std::int16_t value1 = 0) {
    model.cells[static_cast<std::size_t>(cell)].kind = kind;
    model.cells[static_cast<std::size_t>(cell)].value1 = value1;
    return *this;
  }
  // A slow-down start at `start` with speed `speed` and its end at `end`.
  Grid& slow_down(int start, int end, std::int16_t speed) {
    put(end, kSlowDownEnd, speed);
    return put(start, kSlowDownStart, speed);
  }
  // The cells the pass turned into code points of 180.
  std::vector<int> pass() {
    std::vector<CellRecord> before = model.cells;
    signal_code_pass(model);
    std::vector<int> placed;
    for (int i = 0; i < 200; ++i) {
      const CellRecord& c = model.cells[static_cast<std::size_t>(i)];
      if (c.kind == kCodePoint && c.value1 == 180 && !(before[static_cast<std::size_t>(i)] == c)) {
        placed.push_back(i);
      }
    }
    return placed;
  }
  std::int16_t value1(int cell) const { return model.cells[static_cast<std::size_t>(cell)].value1; }
};

using Cells = std::vector<int>;

TEST(CodePass, BackWindowsDependOnHowFarTheStartIs) {
  struct Case {
    int start;
    Cells expected;
  };
  const Case cases[] = {
      {7, {}}, {8, {3}}, {13, {8}}, {14, {3, 9}}, {20, {9, 15}}, {21, {3, 10, 16}},
  };
  for (const Case& c : cases) {
    Grid g;
    g.slow_down(c.start, c.start + 3, 120);
    EXPECT_EQ(g.pass(), c.expected) << "start " << c.start;
  }
}

TEST(CodePass, EachWindowTakesItsFirstFreeCell) {
  Grid g;
  g.slow_down(40, 43, 120);
  g.put(35, kSignal).put(34, kSign);                     // window 1: 35 and 34 taken
  g.put(29, kSignal).put(28, kSignal).put(27, kSignal);  // window 2 full
  EXPECT_EQ(g.pass(), (Cells{22, 33}));
}

TEST(CodePass, OnlySlowDownsBelow110WalkInside) {
  struct Case {
    std::int16_t speed;
    int end;
    Cells expected;
  };
  const Case cases[] = {
      {109, 50, {12, 19, 25, 38, 46}},
      {110, 50, {12, 19, 25}},
      {60, 35, {12, 19, 25}},      // end at i + 5: nothing inside
      {60, 38, {12, 19, 25, 37}},  // end at i + 8: in front of the end cell
  };
  for (const Case& c : cases) {
    Grid g;
    g.slow_down(30, c.end, c.speed);
    EXPECT_EQ(g.pass(), c.expected) << c.speed << " to " << c.end;
  }
}

TEST(CodePass, AWalkCountsFromWhereItsCodePointLanded) {
  Grid g;
  g.slow_down(30, 60, 60);
  g.put(38, kSignal);  // the eighth cell is taken: the code point goes to 37
  EXPECT_EQ(g.pass(), (Cells{12, 19, 25, 37, 45, 53}));
}

TEST(CodePass, AWalkWithNoFreeCellStopsPlacing) {
  Grid g;
  g.slow_down(30, 60, 60);
  g.put(37, kSignal).put(38, kSignal).put(39, kSignal);
  EXPECT_EQ(g.pass(), (Cells{12, 19, 25}));
}

TEST(CodePass, SearchAheadFindsASignalWithinTwelveCellsOfTheEnd) {
  struct Case {
    int signal;
    Cells expected;
  };
  const Case cases[] = {{47, {12, 19, 25, 46}}, {48, {12, 19, 25}}};
  for (const Case& c : cases) {
    Grid g;
    g.slow_down(30, 35, 120);
    g.put(c.signal, kSignal);
    EXPECT_EQ(g.pass(), c.expected) << "signal at " << c.signal;
  }
}

TEST(CodePass, SearchAheadTriesTheCellInFrontOfTheCandidate) {
  Grid g;
  g.slow_down(30, 35, 120);
  g.put(40, kSignal).put(39, kSign);
  EXPECT_EQ(g.pass(), (Cells{12, 19, 25, 38}));
}

TEST(CodePass, WarningBoardLooksBackTwentyCellsForSignals) {
  Grid g;
  g.put(60, kWarningBoard).put(55, kSignal).put(45, kSignal).put(39, kSignal);
  EXPECT_EQ(g.pass(), (Cells{44, 54}));  // the signal 21 cells back is not seen
}

TEST(CodePass, WarningBoardNearTheStartOfTheGrid) {
  Grid at3;
  at3.put(3, kWarningBoard).put(2, kSignal);
  EXPECT_EQ(at3.pass(), Cells{});
  Grid at4;
  at4.put(4, kWarningBoard).put(3, kSignal).put(2, kSign).put(1, kSign);
  EXPECT_EQ(at4.pass(), Cells{});
  Grid free4;
  free4.put(4, kWarningBoard).put(3, kSignal);
  EXPECT_EQ(free4.pass(), Cells{2});
}

TEST(CodePass, ACodePointInFrontOfTheSignalIsLoweredNotDoubled) {
  struct Case {
    std::int16_t old_value;
    std::int16_t new_value;
  };
  for (const Case& c : {Case{75, 75}, Case{270, 180}, Case{180, 180}}) {
    Grid g;
    g.put(60, kWarningBoard).put(55, kSignal).put(54, kCodePoint, c.old_value).put(53, kSign);
    g.pass();
    EXPECT_EQ(g.value1(54), c.new_value) << c.old_value;
    EXPECT_EQ(g.model.cells[53].kind, kSign);
    EXPECT_EQ(g.model.cells[52].kind, kEmpty);
  }
}

TEST(CodePass, MountainMarkersCountAsFree) {
  Grid g;
  g.put(60, kWarningBoard).put(55, kSignal).put(54, kMountainMarker);
  EXPECT_EQ(g.pass(), Cells{54});
}

TEST(CodePass, AWalkThatReachesTheEndOfTheGridStops) {
  Grid g;
  g.put(190, kSlowDownStart, 60);  // its end cell was overwritten
  EXPECT_NO_THROW(g.pass());
}

TEST(CodePass, NotesWhereNoCodePointCouldBePlaced) {
  Grid g;
  g.slow_down(40, 43, 120);
  g.put(35, kSignal).put(34, kSignal).put(33, kSignal);
  CompileReport report;
  signal_code_pass(g.model, &report);
  ASSERT_EQ(report.warnings.size(), 1u);
  EXPECT_EQ(report.warnings[0].kind, CompileWarning::Kind::kSlowDownWithoutCode);
}

}  // namespace
}  // namespace borgo::compiler
