// The slow-downs back from their cells: a start (kind 3) with its end (kind
// 2), its warning board (kind 4) 24 cells before it once it lies past
// 1500 m, and the four count-down cells (kind 5) before the board when its
// row asked for them.
#include <algorithm>
#include <map>
#include <string>
#include <tuple>

#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"
#include "tools/decompile/cells/feature_cells.hpp"

namespace borgo::tools::decompile {
namespace {

using namespace compiler;

constexpr std::int32_t kBoardCells = 24;  // 1200 m
// The start cell that may have a warning board or not: 1500 m lies in it.
constexpr std::int32_t kStartEitherWay = 31;

// What the start, the end and the board of one slow-down hold: the speed,
// the low 16 bits of d_v and f_tt (not on the board).
struct SlowDownValues {
  std::int16_t v = 0;
  std::int16_t d_v = 0;
  std::int16_t f_tt = 0;
  auto operator<=>(const SlowDownValues&) const = default;
};

struct SlowDown {
  std::int32_t start = 0;
  bool start_hidden = false;
  bool start_guessed = false;  // which stop mark covers it, nothing tells
  std::optional<std::int32_t> board;
  bool board_hidden = false;
  SlowDownValues values;
  std::optional<std::int32_t> end;
  bool count_down = false;
  bool count_down_past_tie = false;  // the count-down one cell further from the board
  std::int32_t d_v = 0;
  std::vector<std::int32_t> hidden_cells;
};

class SlowDownRebuild {
 public:
  explicit SlowDownRebuild(FeatureCells& f)
      : f_(f),
        s_(f.s),
        taken_start_(f.s.cells.size(), false),
        claimed_count_down_(f.s.cells.size(), false) {}

  void run(std::vector<Unrecovered>& unrecovered) {
    std::vector<std::int32_t> guessed_starts;
    starts_from_boards();
    boards_of_starts();
    count_downs();
    pair_ends();
    std::vector<std::int32_t> without_count_down;
    for (const SlowDown& d : slow_downs_) {
      const compiler::SlowDownRow row = row_of(d);
      const std::size_t node = f_.add_node(row, 1, d.start);
      for (const std::int32_t c : d.hidden_cells) f_.hide(c, Hidden::kSlowDownPart, node);
      if (!d.board) without_count_down.push_back(d.start);
      if (d.start_guessed) guessed_starts.push_back(d.start);
    }
    if (!guessed_starts.empty()) {
      std::string cells;
      for (const std::int32_t c : guessed_starts) {
        cells += (cells.empty() ? "" : ", ") + std::to_string(feature_position(c));
      }
      unrecovered.push_back({"slow-down starts",
                             "slow-downs whose starts stop marks cover, and whose ends alone "
                             "show, are written to start at the stop marks at " +
                                 cells + " m"});
    }
    if (!without_count_down.empty()) {
      std::string cells;
      for (const std::int32_t c : without_count_down) {
        cells += (cells.empty() ? "" : ", ") + std::to_string(feature_position(c));
      }
      unrecovered.push_back({"slow-down f_ta",
                             "a slow-down within 1500 m of the start has no warning board and "
                             "keeps no f_ta; 0 is written for the slow-downs at " +
                                 cells + " m"});
    }
  }

 private:
  const CellRecord& cell(std::int32_t i) const { return f_.cell(i); }
  bool in_grid(std::int32_t i) const { return i >= 0 && i <= s_.cell_last; }

  SlowDownValues shown_values(std::int32_t i) const {
    return {slow_down_limit(cell(i)), slow_down_d_v(cell(i)), slow_down_f_tt(cell(i))};
  }

  // Each board's start lies 24 cells after it, shown or under a stop mark.
  void starts_from_boards() {
    for (std::int32_t b = 0; b <= s_.cell_last; ++b) {
      if (cell(b).kind != kWarningBoard) continue;
      const std::int32_t start = b + kBoardCells;
      if (start < kStartEitherWay) {
        s_.cell_misfit(b, CellField::kKind,
                       "a warning board this close to the line's start: only a slow-down past "
                       "1500 m has one");
      }
      SlowDown d;
      d.board = b;
      d.start = start;
      const CellRecord& board = cell(b);
      if (in_grid(start) && cell(start).kind == kSlowDownStart) {
        d.values = shown_values(start);
        if (d.values.v != slow_down_limit(board) || d.values.d_v != slow_down_d_v(board)) {
          s_.cell_misfit(b, CellField::kValue1,
                         "the warning board's speed and d_v (" +
                             std::to_string(slow_down_limit(board)) + ", " +
                             std::to_string(slow_down_d_v(board)) +
                             ") differ from those of the start 24 cells after it");
        }
      } else if (in_grid(start) && f_.can_hide(start) &&
                 f_.leftover(start).value2 == slow_down_d_v(board) &&
                 f_.leftover(start).value4 == 0 && f_.leftover(start).signal_time == 0) {
        d.start_hidden = true;
        d.values = {slow_down_limit(board), slow_down_d_v(board), f_.leftover(start).value3};
        d.hidden_cells.push_back(start);
        f_.hidden[static_cast<std::size_t>(start)] = Hidden::kSlowDownPart;
      } else {
        s_.cell_misfit(b, CellField::kKind,
                       "a warning board with no slow-down start 24 cells after it, in cell " +
                           std::to_string(start));
      }
      slow_downs_.push_back(d);
      taken_start_[static_cast<std::size_t>(start)] = true;
    }
  }

  // A start past 1500 m has its board 24 cells before it.
  void boards_of_starts() {
    for (std::int32_t i = 0; i <= s_.cell_last; ++i) {
      if (cell(i).kind != kSlowDownStart) continue;
      if (taken_start_[static_cast<std::size_t>(i)]) continue;
      SlowDown d;
      d.start = i;
      d.values = shown_values(i);
      if (i > kStartEitherWay) {
        const std::int32_t b = i - kBoardCells;
        const Leftover left = f_.leftover(b);
        if (!f_.can_hide(b) || left.value2 != d.values.d_v || left.value3 != 0 ||
            left.value4 != 0 || left.signal_time != 0) {
          s_.cell_misfit(i, CellField::kKind,
                         "a slow-down start past 1500 m needs its warning board in cell " +
                             std::to_string(b) + ", which holds none");
        }
        d.board = b;
        d.board_hidden = true;
        d.hidden_cells.push_back(b);
        f_.hidden[static_cast<std::size_t>(b)] = Hidden::kSlowDownPart;
      } else if (i < 1) {
        s_.cell_misfit(i, CellField::kKind, "no slow-down starts in cell 0");
      }
      slow_downs_.push_back(d);
    }
  }

  // The four cells before the board, counting down to it: right before it,
  // or one cell further when the start lies on the half of its cell that
  // rounds the other way.
  bool count_down_at(SlowDown& d, std::int32_t nearest, std::vector<std::int32_t>& hidden) const {
    hidden.clear();
    int shown = 0;
    int with_d_v = 0;
    for (std::int32_t n = 0; n < 4; ++n) {
      const std::int32_t c = nearest - n;
      if (c < 0 || claimed_count_down_[static_cast<std::size_t>(c)]) return false;
      if (cell(c).kind == kBeforeBoard) {
        if (board_countdown(cell(c)) != n + 1) return false;
        if (board_countdown_d_v(cell(c)) == n + 1) ++with_d_v;
        ++shown;
      } else if (f_.can_hide(c)) {
        const Leftover left = f_.leftover(c);
        if (left.value3 != 0 || left.value4 != 0 || left.signal_time != 0) return false;
        if (left.value2 == n + 1) {
          ++with_d_v;
        } else if (left.value2 != 0) {
          return false;
        }
        hidden.push_back(c);
      } else {
        return false;
      }
    }
    if (shown == 0) return false;
    // d_v not 0 writes the count on value2 too; its low 16 bits may be 0.
    if (d.values.d_v != 0) return with_d_v == 4;
    if (with_d_v == 4) {
      d.d_v = 65536;
      return true;
    }
    return with_d_v == 0;
  }

  // Right before the board first, for every slow-down: a cell counts for
  // one board only.
  void count_downs() {
    for (SlowDown& d : slow_downs_) d.d_v = d.values.d_v;
    for (const bool past_tie : {false, true}) {
      for (SlowDown& d : slow_downs_) {
        if (!d.board || d.count_down) continue;
        if (past_tie && !(d.start % 2 == 0 && d.start > kStartEitherWay)) continue;
        const std::int32_t nearest = *d.board - (past_tie ? 2 : 1);
        std::vector<std::int32_t> hidden;
        if (!count_down_at(d, nearest, hidden)) continue;
        d.count_down = true;
        d.count_down_past_tie = past_tie;
        for (std::int32_t n = 0; n < 4; ++n) {
          claimed_count_down_[static_cast<std::size_t>(nearest - n)] = true;
        }
        for (const std::int32_t c : hidden) {
          d.hidden_cells.push_back(c);
          f_.hidden[static_cast<std::size_t>(c)] = Hidden::kSlowDownPart;
        }
      }
    }
    for (std::int32_t i = 0; i <= s_.cell_last; ++i) {
      if (cell(i).kind != kBeforeBoard) continue;
      if (!claimed_count_down_[static_cast<std::size_t>(i)]) {
        s_.cell_misfit(i, CellField::kKind,
                       "a count-down cell that belongs to no warning board's four");
      }
    }
  }

  // Ends pair with starts of the same values; an end left over has its
  // start under a stop mark, and a start left over ends in its own cell.
  void pair_ends() {
    std::map<SlowDownValues, std::vector<std::size_t>> starts;
    for (std::size_t k = 0; k < slow_downs_.size(); ++k) {
      starts[slow_downs_[k].values].push_back(k);
    }
    std::map<SlowDownValues, std::size_t> used;
    for (std::int32_t e = 0; e <= s_.cell_last; ++e) {
      if (cell(e).kind != kSlowDownEnd) continue;
      if (e < 1) s_.cell_misfit(e, CellField::kKind, "no slow-down ends in cell 0");
      const SlowDownValues values = shown_values(e);
      std::vector<std::size_t>& candidates = starts[values];
      std::size_t& next = used[values];
      if (next < candidates.size()) {
        slow_downs_[candidates[next++]].end = e;
        continue;
      }
      // A start under a stop mark, near enough to the line's start to have no board.
      std::optional<std::int32_t> hidden_start;
      for (std::int32_t c = 1; c <= kStartEitherWay && !hidden_start; ++c) {
        const Leftover left = f_.can_hide(c) ? f_.leftover(c) : Leftover{1, 0, 0, 0};
        if (f_.can_hide(c) && left.value2 == values.d_v && left.value3 == values.f_tt &&
            left.value4 == 0 && left.signal_time == 0) {
          hidden_start = c;
        }
      }
      if (!hidden_start) {
        s_.cell_misfit(e, CellField::kKind,
                       "a slow-down end (speed " + std::to_string(values.v) +
                           ") with no start of the same speed, d_v and f_tt");
      }
      SlowDown d;
      d.start = *hidden_start;
      d.start_hidden = true;
      d.start_guessed = true;
      d.values = values;
      d.d_v = values.d_v;
      d.end = e;
      d.hidden_cells.push_back(*hidden_start);
      f_.hidden[static_cast<std::size_t>(*hidden_start)] = Hidden::kSlowDownPart;
      slow_downs_.push_back(d);
    }
  }

  compiler::SlowDownRow row_of(const SlowDown& d) const {
    compiler::SlowDownRow row;
    std::int64_t x = feature_position(d.start);
    if (d.board && d.start == kStartEitherWay) x = 1510;  // past 1500 m, still in cell 31
    if (d.count_down_past_tie) x = 50LL * d.start - 75;   // rounds to the even start cell
    const std::int32_t end = d.end.value_or(d.start);
    const std::int64_t reach = feature_position(end);
    if (static_cast<double>(s_.cell_last) < static_cast<double>(x + 100) / 50.0) {
      s_.cell_misfit(d.start, CellField::kKind,
                     "a slow-down starts within 100 m of the grid's end, where the compile stops "
                     "reading");
    }
    row.posizione = static_cast<std::int32_t>(x);
    row.v = d.values.v;
    row.l = static_cast<std::int32_t>(reach - x);
    row.f_tt = d.values.f_tt;
    row.f_ta = d.count_down ? 1 : 0;
    row.d_v = d.d_v;
    if (cell_index(row.posizione) != d.start || cell_index(reach) != end) {
      s_.cell_misfit(d.start, CellField::kKind, "no position puts this slow-down in its cells",
                     Misfit::Kind::kNotRebuilt);
    }
    return row;
  }

  FeatureCells& f_;
  const CompiledScenario& s_;
  std::vector<SlowDown> slow_downs_;
  std::vector<bool> taken_start_;
  std::vector<bool> claimed_count_down_;
};

}  // namespace

void recover_slow_downs(FeatureCells& f, std::vector<Unrecovered>& unrecovered) {
  SlowDownRebuild(f).run(unrecovered);
}

}  // namespace borgo::tools::decompile
