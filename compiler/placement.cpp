#include "compiler/placement.hpp"

#include <algorithm>
#include <cstdint>

#include "compiler/error_catalog.hpp"
#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"

namespace borgo::compiler {
namespace {

constexpr std::int32_t kMaxMountainRanges = kMountainSlots - 1;  // slot 0 is never used

// A placement needs a grid; cell_at reports the missing one as a run-time
// failure, before any guard could turn it into an ordinary error number.
void require_grid(RouteModel& model) { cell_at(model, 0); }

// The guards compare with cell_last, the table is sized from the same number.
// Checking the highest index against the table as well keeps a model whose
// two disagree from turning into a write outside the table; after it, every
// index of the row is known to be inside and plain indexing is safe.
CellRecord* table_reaching(RouteModel& model, std::int32_t highest) {
  cell_at(model, highest);
  return model.cells.data();
}

// Records a taken cell: its error number and, for the caller who asked, the cell.
void taken(RouteModel& model, std::int32_t number, std::int32_t cell,
           std::optional<CellConflict>* conflict) {
  model.error_number = number;
  if (conflict != nullptr)
    *conflict = CellConflict{cell, model.cells[static_cast<std::size_t>(cell)].kind};
}

std::int16_t low16(std::int64_t value) { return keep_low_bits<std::int16_t>(value); }
std::uint8_t low8(std::int64_t value) { return keep_low_bits<std::uint8_t>(value); }

// The cell of a feature that takes one cell, or -1 with the error recorded
// when the position is negative or lies past the grid.
std::int32_t single_cell_of(RouteModel& model, std::int32_t posizione) {
  require_grid(model);
  if (posizione < 0) {
    model.error_number = error::kNegativePosition;
    return -1;
  }
  const std::int32_t c = cell_index(posizione);
  if (c > model.cell_last) {
    model.error_number = error::kBeyondGrid;
    return -1;
  }
  return c;
}

}  // namespace

CellSpan mountain_cells(std::int32_t inizio, std::int32_t fine) {
  return {rnd(inizio / 50.0), rnd(fine / 50.0 - 1.0)};
}

void memo_montagna(RouteModel& model, MountainRow& row) {
  require_grid(model);
  if (row.inizio < 0 || row.fine < 0) {
    model.error_number = error::kNegativePosition;
    return;
  }
  if (model.mountain_count >= kMaxMountainRanges) {
    model.error_number = error::kTooManyMountainRanges;
    return;
  }
  const CellSpan cells_covered = mountain_cells(row.inizio, row.fine);
  const std::int32_t first = cells_covered.first;
  const std::int32_t last = cells_covered.last;
  if (last > model.cell_last) {
    model.error_number = error::kMountainPastGrid;
    return;
  }
  // An empty range (last < first) touches no cell, so there is nothing to check.
  CellRecord* cells = first <= last ? table_reaching(model, last) : nullptr;

  bool marker_mode = false;
  if (row.tipo > 10) {
    row.tipo -= 10;
    marker_mode = true;
  }
  const std::int32_t n = ++model.mountain_count;
  model.mountain_start[n] = row.inizio;
  model.mountain_end[n] = row.fine;
  // A range that starts 150 m or less after the previous one ends joins it as type 3.
  if (n > 1 &&
      static_cast<std::int64_t>(model.mountain_start[n]) - model.mountain_end[n - 1] <= 150) {
    row.tipo = 3;
  }

  std::int32_t covered = 0;
  for (std::int32_t i = first; i <= last; ++i) {
    ++covered;
    CellRecord& cell = cells[i];
    cell.mountain_type = low8(row.tipo);
    // Only a truly empty cell takes a marker; an old marker is left as it is.
    if (marker_mode && covered % 4 == 0 && cell.kind == kEmpty &&
        (static_cast<std::int64_t>(i) - 4) * 50 < row.fine) {
      cell.kind = kMountainMarker;
    }
  }
}

void memo_rallentamento(RouteModel& model, const SlowDownRow& row,
                        std::optional<CellConflict>* conflict) {
  require_grid(model);
  const std::int64_t x = row.posizione;
  const std::int64_t reach = x + row.l;
  if (x < 0 || reach < 0) {
    model.error_number = error::kNegativePosition;
    return;
  }
  const std::int32_t start = cell_index(x);
  const std::int32_t end = cell_index(reach);
  // The board and the kind-5 cells lie before the start, and at cell 3 or
  // later (x > 1500): start and end bound every index of the row.
  if (start > model.cell_last || end > model.cell_last) {
    model.error_number = error::kSlowDownPastGrid;
    return;
  }
  CellRecord* cells = table_reaching(model, std::max(start, end));

  const bool has_board = x > kBoardThreshold;
  std::int32_t f_ta = row.f_ta;  // a copy: clearing it is not the caller's business
  std::int32_t board = 0;
  if (has_board) {
    board = cell_index(x - kBoardDistance);
    if (!is_free(cells[board])) {
      taken(model, error::kBoardCellTaken, board, conflict);
      return;
    }
  } else {
    f_ta = 0;
  }
  if (!is_free(cells[start])) {
    taken(model, error::kSlowDownStartTaken, start, conflict);
    return;
  }
  if (!is_free(cells[end])) {
    taken(model, error::kSlowDownEndTaken, end, conflict);
    return;
  }

  // End before start: a short slow-down that fits one cell ends up as a start.
  cells[end].kind = kSlowDownEnd;
  if (row.d_v != 0) slow_down_d_v(cells[end]) = low16(row.d_v);
  cells[start].kind = kSlowDownStart;
  if (row.d_v != 0) slow_down_d_v(cells[start]) = low16(row.d_v);
  if (has_board) {
    cells[board].kind = kWarningBoard;
    if (row.d_v != 0) slow_down_d_v(cells[board]) = low16(row.d_v);
    slow_down_limit(cells[board]) = low16(row.v);
  }
  slow_down_limit(cells[start]) = low16(row.v);
  slow_down_limit(cells[end]) = low16(row.v);
  slow_down_f_tt(cells[start]) = low16(row.f_tt);
  slow_down_f_tt(cells[end]) = low16(row.f_tt);

  if (f_ta == 0) return;
  // The four cells just before the board count down towards it; the cells
  // already written above stay written when one of them is taken.
  const std::int32_t a = rnd(static_cast<double>(x - kBoardDistance) / 50.0);
  for (std::int32_t i = 0; i < 4; ++i) {
    if (!is_free(cells[a - i])) {
      taken(model, error::kBeforeBoardTaken, a - i, conflict);
      return;
    }
  }
  for (std::int32_t i = 0; i < 4; ++i) {
    CellRecord& cell = cells[a - i];
    cell.kind = kBeforeBoard;
    board_countdown(cell) = low16(i + 1);
    if (row.d_v != 0) board_countdown_d_v(cell) = low16(i + 1);
  }
}

void memo_segnale(RouteModel& model, SignalRow& row, std::optional<CellConflict>* conflict) {
  const std::int32_t c = single_cell_of(model, row.posizione);
  if (c < 0) return;
  // The approach marks go up to 8 cells back: a signal needs c >= 8.
  if (signal_approach_cell(c, kSignalApproachMarks) < 0) {
    model.error_number = error::kSignalMarksBeforeGrid;
    return;
  }
  CellRecord* cells = table_reaching(model, c);

  CellRecord& cell = cells[c];
  if (!is_free(cell)) {
    taken(model, error::kSignalCellTaken, c, conflict);
    return;
  }
  cell.kind = kSignal;
  signal_setting(cell) = pack_signal_setting(row.rapp, row.sx, row.dx);
  signal_aspect(cell, 1) = pack_signal_aspect(row.s1, row.d1);
  signal_aspect(cell, 2) = pack_signal_aspect(row.s2, row.d2);
  signal_aspect(cell, 3) = pack_signal_aspect(row.s3, row.d3);
  if (row.tempo >= 1 && row.tempo <= 100) row.tempo = 101;
  cell.signal_time = pack_signal_time(row.sx, row.tempo);
  // The marks go on whatever stands in those cells; they change nothing else.
  for (std::int32_t k = 1; k <= kSignalApproachMarks; ++k) {
    cells[signal_approach_cell(c, k)].approach_mark = pack_signal_approach_mark(row.sx, row.dx, k);
  }
}

void memo_indicatori_v_max(RouteModel& model, const IndicatorRow& row,
                           std::optional<CellConflict>* conflict) {
  const std::int32_t c = single_cell_of(model, row.posizione);
  if (c < 0) return;
  CellRecord& cell = table_reaching(model, c)[c];
  if (!is_free(cell)) {
    taken(model, error::kIndicatorCellTaken, c, conflict);
    return;
  }
  // The kind goes in first: a speed that overflows leaves the cell as far as
  // it was written, and the reader turns the failure into its own error.
  cell.kind = kSpeedIndicators;
  indicator_speeds(cell, 1) = pack_indicator_speeds(row.vas, row.vad);
  indicator_speeds(cell, 2) = pack_indicator_speeds(row.vbs, row.vbd);
  indicator_speeds(cell, 3) = pack_indicator_speeds(row.vcs, row.vcd);
  indicator_stripes(cell) = pack_indicator_stripes(row.strisces, row.strisced);
}

}  // namespace borgo::compiler
