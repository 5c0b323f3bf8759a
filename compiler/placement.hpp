#pragma once

#include <cstdint>
#include <optional>

#include "compiler/compile_report.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler {

// The numbers of one description row, in column order. A procedure that
// changes a value for its caller (tipo, tempo) writes it back into the row.
struct MountainRow {
  std::int32_t inizio = 0, fine = 0, tipo = 0;
};
// f_ta is the procedure's own copy: clearing it never reaches the row.
struct SlowDownRow {
  std::int32_t posizione = 0, v = 0, l = 0, f_tt = 0, f_ta = 0, d_v = 0;
};
struct SignalRow {
  std::int32_t posizione = 0, sx = 0, s1 = 0, s2 = 0, s3 = 0, rapp = 0, dx = 0, d1 = 0, d2 = 0,
               d3 = 0, tempo = 0;
};
struct IndicatorRow {
  std::int32_t posizione = 0, vas = 0, vbs = 0, vcs = 0, strisces = 0, vad = 0, vbd = 0, vcd = 0,
               strisced = 0;
};

// A slow-down further along than this has a warning board this far before it.
inline constexpr std::int32_t kBoardThreshold = 1500;
inline constexpr std::int32_t kBoardDistance = 1200;

// Each procedure places one feature into model.cells. A conflict or a row
// that would reach outside the grid sets model.error_number and returns at
// once; cells written before a conflict stay written. Without a grid, or on a
// value that does not fit its field, they throw RuntimeFailure. When
// `conflict` is given, a taken cell is noted there with the kind that holds it.

// The first and the last cell a montagna range from `inizio` to `fine`
// covers; none when the last comes before the first.
struct CellSpan {
  std::int32_t first = 0;
  std::int32_t last = 0;
};
CellSpan mountain_cells(std::int32_t inizio, std::int32_t fine);

// Stores a montagna range and stamps its type on the cells it covers; a type
// above 10 also drops a marker (kind 11) on every fourth empty cell.
// Errors: 11, 13, 14.
void memo_montagna(RouteModel& model, MountainRow& row);

// A slow-down from posizione to posizione + l, with its warning board 1200 m
// before it and, when f_ta is set, four cells of kind 5 before the board.
// Errors: 11, 17, 18, 19, 20, 23.
void memo_rallentamento(RouteModel& model, const SlowDownRow& row,
                        std::optional<CellConflict>* conflict = nullptr);

// A signal with its packed values, its time and four approach marks on the
// cells 2, 4, 6 and 8 before it. Errors: 11, 15, 16, 26.
void memo_segnale(RouteModel& model, SignalRow& row,
                  std::optional<CellConflict>* conflict = nullptr);

// A pair of maximum-speed indicator boards. Errors: 11, 15, 21.
void memo_indicatori_v_max(RouteModel& model, const IndicatorRow& row,
                           std::optional<CellConflict>* conflict = nullptr);

}  // namespace borgo::compiler
