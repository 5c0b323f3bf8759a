#include "compiler/placement.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "compiler/error_catalog.hpp"
#include "compiler/record_roles.hpp"
#include "compiler/route_model.hpp"
#include "compiler/runtime_failure.hpp"

namespace borgo::compiler {
namespace {

constexpr std::int32_t kCellLast = 3000;  // positions up to 149975 m

RouteModel grid(std::int32_t cell_last = kCellLast) {
  RouteModel model;
  model.cell_last = cell_last;
  model.cells.resize(static_cast<std::size_t>(cell_last) + 1);
  return model;
}

CellRecord of_kind(std::uint8_t kind) {
  CellRecord cell;
  cell.kind = kind;
  return cell;
}

// The indices whose records differ between two snapshots of the grid.
std::vector<std::int32_t> changed(const std::vector<CellRecord>& before,
                                  const std::vector<CellRecord>& after) {
  std::vector<std::int32_t> out;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (!(before[i] == after[i])) out.push_back(static_cast<std::int32_t>(i));
  }
  return out;
}

std::vector<std::int32_t> range(std::int32_t from, std::int32_t to) {
  std::vector<std::int32_t> out;
  for (std::int32_t i = from; i <= to; ++i) out.push_back(i);
  return out;
}

// ---------------------------------------------------------------- common

TEST(Placement, PositionsRoundToTheNearestCellHalvesToEven) {
  struct Case {
    std::int32_t posizione;
    std::int32_t cell;
  };
  for (const Case& c : {Case{0, 1}, Case{24, 1}, Case{25, 2}, Case{74, 2}, Case{75, 2}, Case{76, 3},
                        Case{125, 4}, Case{175, 4}}) {
    SCOPED_TRACE(c.posizione);
    RouteModel model = grid();
    const auto before = model.cells;
    IndicatorRow row{.posizione = c.posizione};
    memo_indicatori_v_max(model, row);
    EXPECT_EQ(model.error_number, 0);
    EXPECT_EQ(changed(before, model.cells), std::vector<std::int32_t>{c.cell});
    EXPECT_EQ(model.cells[c.cell].kind, kSpeedIndicators);
  }
}

// One feature of each procedure, aimed at a cell that is prepared first.
struct Placement {
  std::string name;
  std::function<void(RouteModel&)> place;
  std::int32_t cell;
  std::uint8_t kind;
  std::int32_t conflict;
};

std::vector<Placement> placements() {
  return {
      {"signal",
       [](RouteModel& m) {
         SignalRow r{.posizione = 1050};
         memo_segnale(m, r);
       },
       22, kSignal, error::kSignalCellTaken},
      {"indicators",
       [](RouteModel& m) {
         IndicatorRow r{.posizione = 1050};
         memo_indicatori_v_max(m, r);
       },
       22, kSpeedIndicators, error::kIndicatorCellTaken},
      {"slow-down board",
       [](RouteModel& m) {
         SlowDownRow r{.posizione = 3000, .l = 500};
         memo_rallentamento(m, r);
       },
       37, kWarningBoard, error::kBoardCellTaken},
      {"slow-down start",
       [](RouteModel& m) {
         SlowDownRow r{.posizione = 3000, .l = 500};
         memo_rallentamento(m, r);
       },
       61, kSlowDownStart, error::kSlowDownStartTaken},
      {"slow-down end",
       [](RouteModel& m) {
         SlowDownRow r{.posizione = 3000, .l = 500};
         memo_rallentamento(m, r);
       },
       71, kSlowDownEnd, error::kSlowDownEndTaken},
      {"before board",
       [](RouteModel& m) {
         SlowDownRow r{.posizione = 3000, .l = 500, .f_ta = 1};
         memo_rallentamento(m, r);
       },
       33, kBeforeBoard, error::kBeforeBoardTaken},
  };
}

TEST(Placement, AMontagnaMarkerGivesWayToAnyFeature) {
  for (const Placement& p : placements()) {
    SCOPED_TRACE(p.name);
    RouteModel model = grid();
    model.cells[p.cell] = of_kind(kMountainMarker);
    model.cells[p.cell].mountain_type = 2;
    p.place(model);
    EXPECT_EQ(model.error_number, 0);
    EXPECT_EQ(model.cells[p.cell].kind, p.kind);
    EXPECT_EQ(model.cells[p.cell].mountain_type, 2);
  }
}

TEST(Placement, AnyOtherKindInTheWayIsAConflict) {
  for (const Placement& p : placements()) {
    for (const std::uint8_t kind :
         {kSignal, kSlowDownEnd, kSlowDownStart, kWarningBoard, kBeforeBoard, kSpeedIndicators,
          kStationStop, kCodePoint, kCodePointNoValue, kSign}) {
      SCOPED_TRACE(p.name + " on kind " + std::to_string(kind));
      RouteModel model = grid();
      model.cells[p.cell] = of_kind(kind);
      p.place(model);
      EXPECT_EQ(model.error_number, p.conflict);
      EXPECT_EQ(model.cells[p.cell], of_kind(kind));
    }
  }
}

TEST(Placement, EveryProcedureNeedsAGrid) {
  const std::vector<std::pair<std::string, std::function<void(RouteModel&)>>> procedures = {
      {"montagna",
       [](RouteModel& m) {
         MountainRow r{1000, 2000, 1};
         memo_montagna(m, r);
       }},
      {"empty montagna",
       [](RouteModel& m) {
         MountainRow r{2000, 1000, 1};
         memo_montagna(m, r);
       }},
      {"slow-down",
       [](RouteModel& m) {
         SlowDownRow r{.posizione = 3000};
         memo_rallentamento(m, r);
       }},
      {"signal",
       [](RouteModel& m) {
         SignalRow r{.posizione = 1050};
         memo_segnale(m, r);
       }},
      {"indicators",
       [](RouteModel& m) {
         IndicatorRow r{};
         memo_indicatori_v_max(m, r);
       }},
      {"negative signal",
       [](RouteModel& m) {
         SignalRow r{.posizione = -50};
         memo_segnale(m, r);
       }},
  };
  for (const auto& [name, place] : procedures) {
    SCOPED_TRACE(name);
    RouteModel model;
    EXPECT_THROW(place(model), RuntimeFailure);
    EXPECT_EQ(model.error_number, 0);
    EXPECT_EQ(model.mountain_count, 0);
  }
}

TEST(Placement, AGridShorterThanCellLastSaysIsARunTimeFailureNotAStrayWrite) {
  const std::vector<std::pair<std::string, std::function<void(RouteModel&)>>> procedures = {
      {"montagna",
       [](RouteModel& m) {
         MountainRow r{1000, 125000, 12};
         memo_montagna(m, r);
       }},
      {"slow-down end",
       [](RouteModel& m) {
         SlowDownRow r{.posizione = 90000, .l = 35000};
         memo_rallentamento(m, r);
       }},
      {"slow-down start",
       [](RouteModel& m) {
         SlowDownRow r{.posizione = 125000, .l = -35000};
         memo_rallentamento(m, r);
       }},
      {"signal",
       [](RouteModel& m) {
         SignalRow r{.posizione = 125000};
         memo_segnale(m, r);
       }},
      {"indicators",
       [](RouteModel& m) {
         IndicatorRow r{.posizione = 125000};
         memo_indicatori_v_max(m, r);
       }},
  };
  for (const auto& [name, place] : procedures) {
    SCOPED_TRACE(name);
    RouteModel model = grid();
    model.cells.resize(2001);  // cells 2001 .. 3000 lie past the table
    const auto before = model.cells;
    EXPECT_THROW(place(model), RuntimeFailure);
    EXPECT_EQ(model.error_number, 0);
    EXPECT_EQ(model.cells, before);
  }
}

// ---------------------------------------------------------------- montagna

TEST(MemoMontagna, MarkerModeStampsTheTypeAndMarksEveryFourthEmptyCell) {
  RouteModel model = grid();
  model.cells[186] = of_kind(kSignal);  // the 12th cell of the range
  const auto before = model.cells;
  MountainRow row{8750, 11150, 12};
  memo_montagna(model, row);

  EXPECT_EQ(model.error_number, 0);
  EXPECT_EQ(row.tipo, 2);
  EXPECT_EQ(model.mountain_count, 1);
  EXPECT_EQ(model.mountain_start[1], 8750);
  EXPECT_EQ(model.mountain_end[1], 11150);
  EXPECT_EQ(changed(before, model.cells), range(175, 222));
  for (std::int32_t i = 175; i <= 222; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(model.cells[i].mountain_type, 2);
    const bool fourth = (i - 175 + 1) % 4 == 0;  // 178, 182, ... 222
    const std::uint8_t expected = i == 186 ? kSignal : fourth ? kMountainMarker : kEmpty;
    EXPECT_EQ(model.cells[i].kind, expected);
  }
}

TEST(MemoMontagna, StampsTypesWithoutMarkersWhenAskedOrWhenTooShort) {
  struct Case {
    MountainRow row;
    std::int32_t first, last;
    std::int32_t type;
  };
  for (const Case& c : {Case{{19950, 20050, 12}, 399, 400, 2}, Case{{8750, 11150, 2}, 175, 222, 2},
                        Case{{8750, 11150, 10}, 175, 222, 10}, Case{{0, 100, 7}, 0, 1, 7},
                        Case{{8750, 11150, -250}, 175, 222, 6}}) {
    SCOPED_TRACE(c.row.tipo);
    RouteModel model = grid();
    const auto before = model.cells;
    MountainRow row = c.row;
    memo_montagna(model, row);
    EXPECT_EQ(model.error_number, 0);
    EXPECT_EQ(changed(before, model.cells), range(c.first, c.last));
    for (std::int32_t i = c.first; i <= c.last; ++i) {
      EXPECT_EQ(model.cells[i].kind, kEmpty);
      EXPECT_EQ(model.cells[i].mountain_type, c.type);  // -250 keeps its low 8 bits: 6
    }
  }
}

TEST(MemoMontagna, AnEmptyRangeIsStillCountedAndStored) {
  RouteModel model = grid();
  const auto before = model.cells;
  MountainRow row{1000, 1000, 4};  // cells 20 .. 19
  memo_montagna(model, row);
  EXPECT_EQ(model.error_number, 0);
  EXPECT_EQ(model.cells, before);
  EXPECT_EQ(model.mountain_count, 1);
  EXPECT_EQ(model.mountain_start[1], 1000);
  EXPECT_EQ(model.mountain_end[1], 1000);
}

TEST(MemoMontagna, ARangeCloseAfterThePreviousOneBecomesType3) {
  struct Case {
    std::int32_t gap;  // start of the second range minus end of the first
    std::int32_t tipo;
    std::int32_t stored;
    bool markers;
  };
  for (const Case& c : {Case{150, 5, 3, false}, Case{151, 5, 5, false}, Case{0, 5, 3, false},
                        Case{-400, 1, 3, false}, Case{150, 14, 3, true}, Case{151, 14, 4, true}}) {
    SCOPED_TRACE(testing::Message() << "gap " << c.gap << " tipo " << c.tipo);
    RouteModel model = grid();
    MountainRow first{1000, 5000, 1};
    memo_montagna(model, first);
    MountainRow second{5000 + c.gap, 8000, c.tipo};
    memo_montagna(model, second);
    EXPECT_EQ(model.error_number, 0);
    EXPECT_EQ(second.tipo, c.stored);
    EXPECT_EQ(model.mountain_count, 2);
    EXPECT_EQ(model.cells[159].mountain_type, c.stored);  // the second range's last cell
    const std::int32_t start = model.mountain_start[2] / 50;
    EXPECT_EQ(model.cells[start + 3].kind, c.markers ? kMountainMarker : kEmpty);
  }
}

TEST(MemoMontagna, TheMergeLooksOnlyAtTheRangeJustBefore) {
  RouteModel model = grid();
  for (MountainRow row : {MountainRow{1000, 5000, 1}, MountainRow{100, 200, 1}}) {
    memo_montagna(model, row);
  }
  MountainRow row{4900, 6000, 6};  // inside range 1, 4700 m after range 2
  memo_montagna(model, row);
  EXPECT_EQ(model.error_number, 0);
  EXPECT_EQ(row.tipo, 6);
  EXPECT_EQ(model.cells[110].mountain_type, 6);
}

TEST(MemoMontagna, GuardsRejectTheRowBeforeTouchingAnything) {
  struct Case {
    std::string name;
    MountainRow row;
    std::int32_t count_before;
    std::int32_t error;
  };
  const std::vector<Case> cases = {
      {"negative start", {-1, 2000, 12}, 0, error::kNegativePosition},
      {"negative end", {1000, -50, 12}, 0, error::kNegativePosition},
      {"negative before full", {-1, 2000, 12}, 80, error::kNegativePosition},
      {"81st range", {1000, 2000, 12}, 80, error::kTooManyMountainRanges},
      {"full before past grid", {1000, 900000, 12}, 80, error::kTooManyMountainRanges},
      {"last cell 3001", {149000, 150076, 12}, 0, error::kMountainPastGrid},
      {"far past grid",
       {1000, std::numeric_limits<std::int32_t>::max(), 12},
       0,
       error::kMountainPastGrid},
      {"empty range past grid", {900000, 800000, 12}, 0, error::kMountainPastGrid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RouteModel model = grid();
    model.mountain_count = c.count_before;
    const RouteModel before = model;
    MountainRow row = c.row;
    memo_montagna(model, row);
    EXPECT_EQ(model.error_number, c.error);
    EXPECT_EQ(row.tipo, c.row.tipo);
    EXPECT_EQ(model.mountain_count, c.count_before);
    EXPECT_EQ(model.mountain_start, before.mountain_start);
    EXPECT_EQ(model.mountain_end, before.mountain_end);
    EXPECT_EQ(model.cells, before.cells);
  }
}

TEST(MemoMontagna, TheEightiethRangeAndTheLastCellAreAccepted) {
  RouteModel model = grid();
  model.mountain_count = 79;
  MountainRow row{149000, 150075, 1};  // last = rnd(3000.5) = 3000
  memo_montagna(model, row);
  EXPECT_EQ(model.error_number, 0);
  EXPECT_EQ(model.mountain_count, 80);
  EXPECT_EQ(model.mountain_end[80], 150075);
  EXPECT_EQ(model.cells[kCellLast].mountain_type, 1);
}

// ---------------------------------------------------------------- slow-down

TEST(MemoRallentamento, ScenarioRowPlacesBoardStartEndAndTheCellsBeforeTheBoard) {
  RouteModel model = grid();
  const auto before = model.cells;
  SlowDownRow row{140400, 60, 600, 0, 1, 60};
  memo_rallentamento(model, row);

  EXPECT_EQ(model.error_number, 0);
  EXPECT_EQ(changed(before, model.cells),
            (std::vector<std::int32_t>{2781, 2782, 2783, 2784, 2785, 2809, 2821}));
  struct Expected {
    std::int32_t cell;
    std::uint8_t kind;
    std::int16_t value1, value2;
  };
  for (const Expected& e :
       {Expected{2785, kWarningBoard, 60, 60}, Expected{2809, kSlowDownStart, 60, 60},
        Expected{2821, kSlowDownEnd, 60, 60}, Expected{2784, kBeforeBoard, 1, 1},
        Expected{2783, kBeforeBoard, 2, 2}, Expected{2782, kBeforeBoard, 3, 3},
        Expected{2781, kBeforeBoard, 4, 4}}) {
    SCOPED_TRACE(e.cell);
    EXPECT_EQ(model.cells[e.cell].kind, e.kind);
    EXPECT_EQ(model.cells[e.cell].value1, e.value1);
    EXPECT_EQ(model.cells[e.cell].value2, e.value2);
    EXPECT_EQ(model.cells[e.cell].value3, 0);
  }
  EXPECT_EQ(row.f_ta, 1);
}

TEST(MemoRallentamento, WritesEachValueOnlyWhereItBelongs) {
  // Free cells carrying leftovers show which fields the placement writes.
  RouteModel model = grid();
  CellRecord leftover = of_kind(kMountainMarker);
  leftover.value1 = leftover.value2 = leftover.value3 = leftover.value4 = 9;
  for (const std::int32_t i : {2781, 2782, 2783, 2784, 2785, 2809, 2821}) model.cells[i] = leftover;

  SlowDownRow row{140400, 70000, 600, 7, 1, 0};  // v keeps its low 16 bits: 4464
  memo_rallentamento(model, row);
  ASSERT_EQ(model.error_number, 0);
  struct Expected {
    std::int32_t cell;
    std::int16_t value1, value2, value3;
  };
  for (const Expected& e :
       {Expected{2785, 4464, 9, 9}, Expected{2809, 4464, 9, 7}, Expected{2821, 4464, 9, 7},
        Expected{2784, 1, 9, 9}, Expected{2781, 4, 9, 9}}) {
    SCOPED_TRACE(e.cell);
    EXPECT_EQ(model.cells[e.cell].value1, e.value1);
    EXPECT_EQ(model.cells[e.cell].value2, e.value2);  // d_v 0 writes no value2
    EXPECT_EQ(model.cells[e.cell].value3, e.value3);
    EXPECT_EQ(model.cells[e.cell].value4, 9);
  }
}

TEST(MemoRallentamento, BoardAndCellsBeforeItDependOnPositionAndFlag) {
  struct Case {
    std::int32_t posizione, l, f_ta;
    std::vector<std::int32_t> written;
  };
  const std::vector<Case> cases = {
      {1500, 600, 1, {31, 43}},  // no board at 1500 m, f_ta or not
      {1000, 100, 1, {21, 23}},
      {1501, 600, 1, {3, 4, 5, 6, 7, 31, 43}},  // board 7, the four cells 6 .. 3
      {1501, 600, 0, {7, 31, 43}},
      {5000, 10, 0, {77, 101}},         // start and end share cell 101
      {5000, -2500, 0, {51, 77, 101}},  // end before start
      {5000, -5000, 0, {1, 77, 101}},   // ends at position 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.posizione << " " << c.l << " " << c.f_ta);
    RouteModel model = grid();
    const auto before = model.cells;
    SlowDownRow row{c.posizione, 50, c.l, 0, c.f_ta, 50};
    memo_rallentamento(model, row);
    EXPECT_EQ(model.error_number, 0);
    EXPECT_EQ(changed(before, model.cells), c.written);
    EXPECT_EQ(row.f_ta, c.f_ta);  // the procedure's copy is cleared, never the row
  }
}

TEST(MemoRallentamento, StartAndEndInOneCellMakeAStart) {
  RouteModel model = grid();
  SlowDownRow row{5000, 40, 10, 3, 0, 20};
  memo_rallentamento(model, row);
  ASSERT_EQ(model.error_number, 0);
  const CellRecord& cell = model.cells[101];
  EXPECT_EQ(cell.kind, kSlowDownStart);
  EXPECT_EQ(cell.value1, 40);
  EXPECT_EQ(cell.value2, 20);
  EXPECT_EQ(cell.value3, 3);
}

TEST(MemoRallentamento, ConflictsOnBoardStartOrEndLeaveTheGridUnchanged) {
  struct Case {
    std::vector<std::int32_t> taken;
    std::int32_t error;
  };
  // posizione 140400, l 600: board 2785, start 2809, end 2821.
  const std::vector<Case> cases = {
      {{2785}, error::kBoardCellTaken},     {{2785, 2809, 2821}, error::kBoardCellTaken},
      {{2809}, error::kSlowDownStartTaken}, {{2809, 2821}, error::kSlowDownStartTaken},
      {{2821}, error::kSlowDownEndTaken},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    RouteModel model = grid();
    for (const std::int32_t i : c.taken) model.cells[i] = of_kind(kCodePoint);
    const auto before = model.cells;
    SlowDownRow row{140400, 60, 600, 0, 1, 60};
    memo_rallentamento(model, row);
    EXPECT_EQ(model.error_number, c.error);
    EXPECT_EQ(model.cells, before);
  }
}

TEST(MemoRallentamento, ATakenCellBeforeTheBoardKeepsEndStartAndBoardWritten) {
  for (const std::int32_t taken : {2784, 2783, 2782, 2781}) {
    SCOPED_TRACE(taken);
    RouteModel model = grid();
    model.cells[taken] = of_kind(kSign);
    const auto before = model.cells;
    SlowDownRow row{140400, 60, 600, 0, 1, 60};
    memo_rallentamento(model, row);
    EXPECT_EQ(model.error_number, error::kBeforeBoardTaken);
    EXPECT_EQ(changed(before, model.cells), (std::vector<std::int32_t>{2785, 2809, 2821}));
    EXPECT_EQ(model.cells[2785].kind, kWarningBoard);
    EXPECT_EQ(model.cells[2809].kind, kSlowDownStart);
    EXPECT_EQ(model.cells[2821].kind, kSlowDownEnd);
  }
}

TEST(MemoRallentamento, CellsBeforeTheBoardAreNotCheckedWithoutTheFlag) {
  RouteModel model = grid();
  model.cells[2782] = of_kind(kSign);
  SlowDownRow row{140400, 60, 600, 0, 0, 60};
  memo_rallentamento(model, row);
  EXPECT_EQ(model.error_number, 0);
  EXPECT_EQ(model.cells[2782], of_kind(kSign));
}

TEST(MemoRallentamento, GuardsRejectTheRowBeforeTouchingAnything) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  struct Case {
    std::string name;
    std::int32_t posizione, l;
    std::int32_t error;
  };
  const std::vector<Case> cases = {
      {"negative position", -1, 600, error::kNegativePosition},
      {"ends before 0", 1000, -1001, error::kNegativePosition},
      {"negative before past grid", -1, kMax, error::kNegativePosition},
      {"end cell 3001", 149000, 976, error::kSlowDownPastGrid},
      {"start cell 3001", 149976, -1000, error::kSlowDownPastGrid},
      {"sum past 32 bits", kMax, kMax, error::kSlowDownPastGrid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RouteModel model = grid();
    const auto before = model.cells;
    SlowDownRow row{c.posizione, 60, c.l, 0, 1, 60};
    memo_rallentamento(model, row);
    EXPECT_EQ(model.error_number, c.error);
    EXPECT_EQ(model.cells, before);
  }
}

TEST(MemoRallentamento, EndingOnTheLastCellIsAccepted) {
  RouteModel model = grid();
  SlowDownRow row{149000, 60, 975, 0, 1, 60};  // rnd(3000.5) = 3000
  memo_rallentamento(model, row);
  EXPECT_EQ(model.error_number, 0);
  EXPECT_EQ(model.cells[kCellLast].kind, kSlowDownEnd);
}

// ---------------------------------------------------------------- signal

TEST(MemoSegnale, ScenarioRowFillsItsCellAndFourApproachMarks) {
  RouteModel model = grid();
  const auto before = model.cells;
  SignalRow row{1050, 2, 4, 1, 1, 0, 2, 2, 1, 1, 210};
  memo_segnale(model, row);

  EXPECT_EQ(model.error_number, 0);
  EXPECT_EQ(changed(before, model.cells), (std::vector<std::int32_t>{14, 16, 18, 20, 22}));
  const CellRecord& cell = model.cells[22];
  EXPECT_EQ(cell.kind, kSignal);
  EXPECT_EQ(cell.value1, 42);
  EXPECT_EQ(cell.value2, 11);
  EXPECT_EQ(cell.value3, 11);
  EXPECT_EQ(cell.value4, 8);
  EXPECT_EQ(cell.signal_time, 210);
  EXPECT_EQ(cell.approach_mark, 0);
  EXPECT_EQ(model.cells[20].approach_mark, 81);
  EXPECT_EQ(model.cells[18].approach_mark, 82);
  EXPECT_EQ(model.cells[16].approach_mark, 83);
  EXPECT_EQ(model.cells[14].approach_mark, 84);
  EXPECT_EQ(row.tempo, 210);
}

TEST(MemoSegnale, ApproachMarksLeaveTheMarkedCellsAsTheyWere) {
  RouteModel model = grid();
  CellRecord taken = of_kind(kSlowDownStart);
  taken.value1 = 5;
  model.cells[18] = taken;
  SignalRow row{1050, 2, 4, 1, 1, 0, 2, 2, 1, 1, 210};
  memo_segnale(model, row);
  ASSERT_EQ(model.error_number, 0);
  taken.approach_mark = 82;
  EXPECT_EQ(model.cells[18], taken);
}

TEST(MemoSegnale, TimeIsRaisedToAtLeast101AndKeptOnlyForSx2) {
  struct Case {
    std::int32_t sx, tempo;
    std::int32_t tempo_after;
    std::uint8_t signal_time;
  };
  for (const Case& c :
       {Case{2, 50, 101, 101}, Case{2, 1, 101, 101}, Case{2, 100, 101, 101}, Case{2, 0, 0, 0},
        Case{2, 101, 101, 101}, Case{2, 255, 255, 255}, Case{2, 300, 300, 44}, Case{2, -5, -5, 251},
        Case{1, 50, 101, 0}, Case{0, 210, 210, 0}, Case{3, 210, 210, 0}}) {
    SCOPED_TRACE(testing::Message() << "sx " << c.sx << " tempo " << c.tempo);
    RouteModel model = grid();
    SignalRow row{.posizione = 1050, .sx = c.sx, .tempo = c.tempo};
    memo_segnale(model, row);
    EXPECT_EQ(model.error_number, 0);
    EXPECT_EQ(row.tempo, c.tempo_after);
    EXPECT_EQ(model.cells[22].signal_time, c.signal_time);
  }
}

TEST(MemoSegnale, PackedValuesKeepTheirLowBits) {
  RouteModel model = grid();
  SignalRow row{.posizione = 1050,
                .sx = 9,
                .s1 = 3277,
                .s2 = -3277,
                .s3 = 0,
                .rapp = 3276,
                .dx = 1,
                .d1 = 0,
                .d2 = -1,
                .d3 = 7,
                .tempo = 0};
  memo_segnale(model, row);
  ASSERT_EQ(model.error_number, 0);
  EXPECT_EQ(model.cells[22].value1, -32766);  // 32770
  EXPECT_EQ(model.cells[22].value2, 32765);   // -32771
  EXPECT_EQ(model.cells[22].value3, 7);
  EXPECT_EQ(model.cells[22].value4, -32748);     // 32760 + 27 + 1 = 32788
  EXPECT_EQ(model.cells[20].approach_mark, 25);  // 270 + 10 + 1 = 281
  EXPECT_EQ(model.cells[14].approach_mark, 28);
}

TEST(MemoSegnale, PlacedValuesUnpackToTheRow) {
  struct Case {
    std::int32_t rapp, sx, dx;
    std::int32_t s[3], d[3];
  };
  const Case cases[] = {
      {0, 2, 2, {4, 1, 1}, {2, 1, 1}},  // the scenario's first signal
      {1, 1, 0, {0, 9, 5}, {9, 0, 3}},
      {15, 0, 1, {7, 0, 2}, {0, 8, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rapp " << c.rapp << " sx " << c.sx << " dx " << c.dx);
    RouteModel model = grid();
    SignalRow row{1050, c.sx, c.s[0], c.s[1], c.s[2], c.rapp, c.dx, c.d[0], c.d[1], c.d[2], 210};
    memo_segnale(model, row);
    ASSERT_EQ(model.error_number, 0);
    const CellRecord& cell = model.cells[22];
    for (int n = 1; n <= 3; ++n) {
      EXPECT_EQ(signal_aspect_left(signal_aspect(cell, n)), c.s[n - 1]) << n;
      EXPECT_EQ(signal_aspect_right(signal_aspect(cell, n)), c.d[n - 1]) << n;
    }
    EXPECT_EQ(signal_setting_rapp(signal_setting(cell)), c.rapp);
    EXPECT_EQ(signal_setting_sx(signal_setting(cell)), c.sx);
    EXPECT_EQ(signal_setting_dx(signal_setting(cell)), c.dx);
  }
}

TEST(MemoSegnale, ATakenCellChangesNothing) {
  RouteModel model = grid();
  model.cells[22] = of_kind(kSlowDownEnd);
  const auto before = model.cells;
  SignalRow row{1050, 2, 4, 1, 1, 0, 2, 2, 1, 1, 50};
  memo_segnale(model, row);
  EXPECT_EQ(model.error_number, error::kSignalCellTaken);
  EXPECT_EQ(model.cells, before);
  EXPECT_EQ(row.tempo, 50);
}

TEST(MemoSegnale, PositionsNearTheEndsOfTheGrid) {
  struct Case {
    std::int32_t posizione;
    std::int32_t error;
    std::vector<std::int32_t> written;
  };
  const std::vector<Case> cases = {
      {-1, error::kNegativePosition, {}},
      {std::numeric_limits<std::int32_t>::min(), error::kNegativePosition, {}},
      {0, error::kSignalMarksBeforeGrid, {}},
      {324, error::kSignalMarksBeforeGrid, {}},  // cell 7
      {325, 0, {0, 2, 4, 6, 8}},                 // cell 8 (7.5 rounds to 8)
      {149975, 0, {2992, 2994, 2996, 2998, 3000}},
      {149976, error::kBeyondGrid, {}},
      {std::numeric_limits<std::int32_t>::max(), error::kBeyondGrid, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.posizione);
    RouteModel model = grid();
    const auto before = model.cells;
    SignalRow row{.posizione = c.posizione, .sx = 2, .tempo = 50};
    memo_segnale(model, row);
    EXPECT_EQ(model.error_number, c.error);
    EXPECT_EQ(changed(before, model.cells), c.written);
    EXPECT_EQ(row.tempo, c.error == 0 ? 101 : 50);
  }
}

// ---------------------------------------------------------------- indicators

TEST(MemoIndicatoriVMax, PacksSpeedsWithARealDivisionAndStripesByTen) {
  struct Case {
    IndicatorRow row;
    std::int16_t value1, value2, value3, value4;
  };
  const std::vector<Case> cases = {
      {{1000, 4, 1, 0, 2, 62, 60, 0, 3}, 92, 32, 0, 23},  // 92.4, 32
      {{1000, 4, 0, 0, 0, 63, -3, -2, 0}, 93, -1, 0, 0},  // 92.6, -0.6, -0.4
      {{1000, 1638, -1638, 0, 0, 35, -40, 2, 0}, 32767, -32768, 0, 0},
      {{1000, 0, 0, 0, 3277, 0, 0, 0, 0}, 0, 0, 0, -32766},  // 32770 keeps its low bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.row.vas << " " << c.row.vad);
    RouteModel model = grid();
    IndicatorRow row = c.row;
    memo_indicatori_v_max(model, row);
    ASSERT_EQ(model.error_number, 0);
    const CellRecord& cell = model.cells[21];
    EXPECT_EQ(cell.kind, kSpeedIndicators);
    EXPECT_EQ(cell.value1, c.value1);
    EXPECT_EQ(cell.value2, c.value2);
    EXPECT_EQ(cell.value3, c.value3);
    EXPECT_EQ(cell.value4, c.value4);
  }
}

TEST(MemoIndicatoriVMax, PlacedValuesUnpackToTheRow) {
  struct Case {
    IndicatorRow row;
    std::int32_t right_read_back[3];  // the right speeds keep steps of 5
  };
  const Case cases[] = {
      {{7300, 75, 80, 85, 0, 75, 80, 85, 0}, {75, 80, 85}},
      {{1000, 90, 95, 100, 2, 0, 0, 0, 3}, {0, 0, 0}},
      {{1000, 0, 30, 60, 9, 95, 82, 3, 0}, {95, 80, 5}},  // 16.4 and 0.6 round to 16 and 1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.row.vas << " " << c.row.vad);
    RouteModel model = grid();
    memo_indicatori_v_max(model, c.row);
    ASSERT_EQ(model.error_number, 0);
    const CellRecord& cell = model.cells[cell_index(c.row.posizione)];
    const std::int32_t left[] = {c.row.vas, c.row.vbs, c.row.vcs};
    for (int n = 1; n <= 3; ++n) {
      EXPECT_EQ(indicator_speed_left(indicator_speeds(cell, n)), left[n - 1]) << n;
      EXPECT_EQ(indicator_speed_right(indicator_speeds(cell, n)), c.right_read_back[n - 1]) << n;
    }
    EXPECT_EQ(indicator_stripes_left(indicator_stripes(cell)), c.row.strisces);
    EXPECT_EQ(indicator_stripes_right(indicator_stripes(cell)), c.row.strisced);
  }
}

TEST(MemoIndicatoriVMax, ASpeedOutside16BitsIsARunTimeFailure) {
  struct Case {
    IndicatorRow row;
    std::int16_t value1;  // written before the failing speed
  };
  const std::vector<Case> cases = {
      {{.posizione = 1000, .vas = 1638, .vad = 40}, 0},    // 32768
      {{.posizione = 1000, .vas = -1638, .vad = -45}, 0},  // -32769
      {{.posizione = 1000, .vas = 1, .vbs = 5000, .vad = 5}, 21},
      {{.posizione = 1000, .vcs = std::numeric_limits<std::int32_t>::max()}, 0},
  };
  for (const Case& c : cases) {
    RouteModel model = grid();
    IndicatorRow row = c.row;
    EXPECT_THROW(memo_indicatori_v_max(model, row), RuntimeFailure);
    EXPECT_EQ(model.error_number, 0);
    EXPECT_EQ(model.cells[21].kind, kSpeedIndicators);  // the cell stays as far as it was written
    EXPECT_EQ(model.cells[21].value1, c.value1);
    EXPECT_EQ(model.cells[21].value4, 0);
  }
}

TEST(MemoIndicatoriVMax, GuardsAndConflicts) {
  struct Case {
    std::int32_t posizione;
    bool cell_taken;
    std::int32_t error;
  };
  for (const Case& c :
       {Case{-1, false, error::kNegativePosition}, Case{1000, true, error::kIndicatorCellTaken},
        Case{149976, false, error::kBeyondGrid},
        Case{std::numeric_limits<std::int32_t>::max(), false, error::kBeyondGrid}}) {
    SCOPED_TRACE(c.posizione);
    RouteModel model = grid();
    if (c.cell_taken) model.cells[21] = of_kind(kStationStop);
    const auto before = model.cells;
    IndicatorRow row{.posizione = c.posizione, .vas = 4};
    memo_indicatori_v_max(model, row);
    EXPECT_EQ(model.error_number, c.error);
    EXPECT_EQ(model.cells, before);
  }
}

TEST(MemoIndicatoriVMax, TheLastCellIsAccepted) {
  RouteModel model = grid();
  IndicatorRow row{.posizione = 149975, .vas = 4};
  memo_indicatori_v_max(model, row);
  EXPECT_EQ(model.error_number, 0);
  EXPECT_EQ(model.cells[kCellLast].value1, 80);
}

}  // namespace
}  // namespace borgo::compiler
