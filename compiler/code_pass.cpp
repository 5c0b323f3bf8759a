#include "compiler/code_pass.hpp"

#include <string>

#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"

namespace borgo::compiler {
namespace {

constexpr std::int16_t kPassCode = 180;
constexpr std::int16_t kWalkingSpeedLimit = 110;  // slower slow-downs get code points inside
constexpr int kLookBackCells = 20;
constexpr int kWalkStep = 8;
constexpr int kSearchAheadCells = 12;

class CodePass {
 public:
  CodePass(RouteModel& model, CompileReport* report) : model_(model), report_(report) {}

  void run() {
    for (std::int32_t i = 1; i <= model_.cell_last - 2; ++i) {
      if (cell(i).kind == kWarningBoard) look_back(i);
      if (cell(i).kind == kSlowDownStart) slow_down(i);
    }
  }

 private:
  CellRecord& cell(std::int32_t i) { return cell_at(model_, i); }
  bool free_cell(std::int32_t i) { return is_free(cell(i)); }
  void place(std::int32_t i) {
    cell(i).kind = kCodePoint;
    code_value(cell(i)) = kPassCode;
  }
  void lower_code(std::int32_t i) { code_value(cell(i)) = minimo(kPassCode, code_value(cell(i))); }
  void note(std::int32_t start, const std::string& what) {
    if (report_ == nullptr) return;
    const auto row = report_->slow_down_rows.find(start);
    std::optional<SourceSpot> where;
    if (row != report_->slow_down_rows.end()) where = row->second;
    report_->warnings.push_back({CompileWarning::Kind::kSlowDownWithoutCode, where,
                                 "slow-down starting at cell " + std::to_string(start) + " (" +
                                     std::to_string((start - 1) * 50) + " m): " + what});
  }

  // Every signal up to 20 cells before the board gets a code point in one of
  // the two cells in front of it, or has the one there lowered to 180.
  void look_back(std::int32_t i) {
    for (std::int32_t k = 1; k <= kLookBackCells; ++k) {
      if (i - k < 3) return;
      if (cell(i - k).kind != kSignal) continue;
      const std::int32_t b1 = i - k - 1;
      const std::int32_t b2 = i - k - 2;
      if (free_cell(b1)) {
        place(b1);
      } else if (free_cell(b2)) {
        place(b2);
      } else if (cell(b1).kind == kCodePoint) {
        lower_code(b1);
      } else if (cell(b2).kind == kCodePoint) {
        lower_code(b2);
      }
    }
  }

  void slow_down(std::int32_t i) {
    back_windows(i);
    std::int32_t k = 0;
    if (slow_down_limit(cell(i)) < kWalkingSpeedLimit) {
      k = walk(i);
    } else {
      k = end_cell_after(i);
    }
    if (k == 0) {
      note(i, "no end cell before the end of the grid");
      return;
    }
    search_ahead(i, k);
  }

  // A code point in each of three windows before the start.
  void back_windows(std::int32_t i) {
    static constexpr struct {
      int nearest;
      int tried_when_above;
    } kWindows[] = {{5, 7}, {11, 13}, {18, 20}};
    for (const auto& window : kWindows) {
      if (i <= window.tried_when_above) continue;
      bool placed = false;
      for (int offset = 0; offset < 3 && !placed; ++offset) {
        const std::int32_t c = i - window.nearest - offset;
        if (free_cell(c)) {
          place(c);
          placed = true;
        }
      }
      if (!placed) {
        note(i, "no free cell in cells " + std::to_string(i - window.nearest) + " to " +
                    std::to_string(i - window.nearest - 2));
      }
    }
  }

  // A code point every 8 cells inside the slow-down, counted from where the
  // previous one actually landed. Returns the end cell, or 0 when the grid
  // ends first.
  std::int32_t walk(std::int32_t i) {
    int steps = 0;
    std::int32_t k = i;
    for (;;) {
      ++k;
      ++steps;
      if (k > model_.cell_last) return 0;
      if (steps == kWalkStep) {
        if (free_cell(k)) {
          place(k);
          steps = 0;
        } else if (free_cell(k - 1)) {
          place(k - 1);
          steps = 1;
        } else if (k + 1 <= model_.cell_last && free_cell(k + 1)) {
          place(k + 1);
          steps = -1;
        } else {
          // The counter stays at 8 and only grows: no further code point.
          note(i, "no free cell around cell " + std::to_string(k));
        }
      }
      if (cell(k).kind == kSlowDownEnd) return k;
    }
  }

  // The slow-down's own end: the first end cell after its start.
  std::int32_t end_cell_after(std::int32_t i) {
    for (std::int32_t k = i + 1; k <= model_.cell_last; ++k) {
      if (cell(k).kind == kSlowDownEnd) return k;
    }
    return 0;
  }

  // A code point in front of the first signal within 13 cells of the end.
  void search_ahead(std::int32_t i, std::int32_t k) {
    std::int32_t candidate = 0;
    const std::int32_t last = std::min(k + kSearchAheadCells, model_.cell_last);
    for (std::int32_t m = k; m <= last; ++m) {
      if (cell(m).kind == kSignal) {
        candidate = m - 1;
        break;
      }
    }
    if (candidate <= 0) return;
    if (free_cell(candidate)) {
      place(candidate);
    } else if (free_cell(candidate - 1)) {
      place(candidate - 1);
    } else {
      note(i, "no free cell in front of the signal in cell " + std::to_string(candidate + 1));
    }
  }

  RouteModel& model_;
  CompileReport* report_;
};

}  // namespace

void signal_code_pass(RouteModel& model, CompileReport* report) { CodePass(model, report).run(); }

}  // namespace borgo::compiler
