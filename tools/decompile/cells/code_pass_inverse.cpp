#include "tools/decompile/cells/code_pass_inverse.hpp"

#include <algorithm>
#include <optional>
#include <string>

#include "compiler/record_roles.hpp"

namespace borgo::tools::decompile {
namespace {

using namespace compiler;

// These mirror the code pass (compiler/code_pass.cpp) step for step.
constexpr std::int16_t kPassCode = 180;
constexpr std::int16_t kWalkingSpeedLimit = 110;
constexpr int kLookBackCells = 20;
constexpr int kWalkStep = 8;
constexpr int kSearchAheadCells = 12;

// The replays have looked at as many cells as they may.
struct OutOfBudget {};

// Where the replay finds the pass doing what the file shows it did not.
struct Contradiction {
  std::int32_t cell = 0;
  CellField field = CellField::kKind;
  std::string reason;
};

class PassReplay {
 public:
  // `choices`: for the first code points of 180 the pass looks at, whether
  // each is taken for one the pass placed (true) or for a row's; those
  // after them are taken for the pass's.
  PassReplay(const CompiledScenario& s, const std::vector<bool>& choices, std::int64_t& budget)
      : s_(s), origin_(s.cells.size(), Origin::kNone), choices_(choices), budget_(budget) {
    for (std::size_t i = 0; i < s.cells.size(); ++i) {
      if (s.cells[i].kind == kCodePoint) origin_[i] = Origin::kUndecided;
      if (s.cells[i].kind == kCodePointNoValue) origin_[i] = Origin::kRow;
    }
  }

  void run() {
    for (std::int32_t i = 1; i <= s_.cell_last - 2; ++i) {
      if (kind(i) == kWarningBoard) look_back(i);
      if (kind(i) == kSlowDownStart) slow_down(i);
    }
  }

  // The choices made, in order, by the last run.
  const std::vector<bool>& made() const { return made_; }

  CodePointOrigins origins() const {
    CodePointOrigins out;
    for (std::size_t i = 0; i < origin_.size(); ++i) {
      if (origin_[i] == Origin::kUndecided || origin_[i] == Origin::kRow) {
        out.row_cells.push_back(static_cast<std::int32_t>(i));
      }
    }
    out.lowered = lowered_;
    return out;
  }

 private:
  enum class Origin : std::uint8_t { kNone, kUndecided, kRow, kPass };

  const CellRecord& cell(std::int32_t i) const { return s_.cells[static_cast<std::size_t>(i)]; }
  // Every step of a walk or a search counts against the replays' budget.
  void step() {
    if (--budget_ < 0) throw OutOfBudget{};
  }
  std::uint8_t kind(std::int32_t i) const { return cell(i).kind; }
  Origin& origin(std::int32_t i) { return origin_[static_cast<std::size_t>(i)]; }

  // Free for the pass: empty or a marker, or a code point of 180 not yet
  // claimed that the choices take for one the pass placed.
  bool free_cell(std::int32_t i) {
    if (is_free(cell(i))) return true;
    if (origin(i) != Origin::kUndecided) return false;
    bool placed_by_pass = false;
    if (code_value(cell(i)) == kPassCode) {
      placed_by_pass = made_.size() < choices_.size() ? choices_[made_.size()] : true;
      made_.push_back(placed_by_pass);
    }
    if (!placed_by_pass) origin(i) = Origin::kRow;
    return placed_by_pass;
  }
  void place(std::int32_t i) {
    if (origin(i) != Origin::kUndecided) {
      throw Contradiction{
          i, CellField::kKind,
          "the code pass places a code point here (" + context_ + "), but the cell holds none"};
    }
    origin(i) = Origin::kPass;
  }
  void lower_code(std::int32_t i) {
    if (origin(i) != Origin::kRow) return;
    const std::int16_t value = code_value(cell(i));
    if (value > kPassCode) {
      throw Contradiction{i, CellField::kValue1,
                          "the code pass lowers this code point to 180 (" + context_ +
                              "), but it holds " + std::to_string(value)};
    }
    if (value == kPassCode) lowered_.push_back(i);
  }

  void look_back(std::int32_t i) {
    for (std::int32_t k = 1; k <= kLookBackCells; ++k) {
      if (i - k < 3) return;
      if (kind(i - k) != kSignal) continue;
      context_ = "in front of the signal in cell " + std::to_string(i - k) +
                 ", before the warning board in cell " + std::to_string(i);
      const std::int32_t b1 = i - k - 1;
      const std::int32_t b2 = i - k - 2;
      if (free_cell(b1)) {
        place(b1);
      } else if (free_cell(b2)) {
        place(b2);
      } else if (kind(b1) == kCodePoint) {
        lower_code(b1);
      } else if (kind(b2) == kCodePoint) {
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
    if (k != 0) search_ahead(i, k);
  }

  void back_windows(std::int32_t i) {
    static constexpr struct {
      int nearest;
      int tried_when_above;
    } kWindows[] = {{5, 7}, {11, 13}, {18, 20}};
    context_ = "before the slow-down start in cell " + std::to_string(i);
    for (const auto& window : kWindows) {
      if (i <= window.tried_when_above) continue;
      for (int offset = 0; offset < 3; ++offset) {
        const std::int32_t c = i - window.nearest - offset;
        if (free_cell(c)) {
          place(c);
          break;
        }
      }
    }
  }

  std::int32_t walk(std::int32_t i) {
    context_ = "inside the slow-down from cell " + std::to_string(i);
    int steps = 0;
    std::int32_t k = i;
    for (;;) {
      ++k;
      ++steps;
      step();
      if (k > s_.cell_last) return 0;
      if (steps == kWalkStep) {
        if (free_cell(k)) {
          place(k);
          steps = 0;
        } else if (free_cell(k - 1)) {
          place(k - 1);
          steps = 1;
        } else if (k + 1 <= s_.cell_last && free_cell(k + 1)) {
          place(k + 1);
          steps = -1;
        }
      }
      if (kind(k) == kSlowDownEnd) return k;
    }
  }

  std::int32_t end_cell_after(std::int32_t i) {
    for (std::int32_t k = i + 1; k <= s_.cell_last; ++k) {
      step();
      if (kind(k) == kSlowDownEnd) return k;
    }
    return 0;
  }

  void search_ahead(std::int32_t i, std::int32_t k) {
    context_ = "after the slow-down from cell " + std::to_string(i);
    std::int32_t candidate = 0;
    const std::int32_t last = std::min(k + kSearchAheadCells, s_.cell_last);
    for (std::int32_t m = k; m <= last; ++m) {
      if (kind(m) == kSignal) {
        candidate = m - 1;
        break;
      }
    }
    if (candidate <= 0) return;
    if (free_cell(candidate)) {
      place(candidate);
    } else if (free_cell(candidate - 1)) {
      place(candidate - 1);
    }
  }

  const CompiledScenario& s_;
  std::vector<Origin> origin_;
  const std::vector<bool>& choices_;
  std::int64_t& budget_;  // the cells the replays may still look at
  std::vector<bool> made_;
  std::vector<std::int32_t> lowered_;
  std::string context_;
};

// How many replays the search of choices may take, and how many cells the
// walks and searches of all of them may look at: a walk through a slow-down
// without an end goes on to the grid's end.
constexpr int kMostReplays = 256;
constexpr std::int64_t kMostSteps = 64'000'000;

CodePointOrigins sorted_origins(CodePointOrigins origins) {
  std::sort(origins.lowered.begin(), origins.lowered.end());
  origins.lowered.erase(std::unique(origins.lowered.begin(), origins.lowered.end()),
                        origins.lowered.end());
  return origins;
}

}  // namespace

CodePointOrigins find_code_point_origins(const CompiledScenario& s) {
  // Taking a code point of 180 for one the pass placed is right almost
  // everywhere; but a walk through a slow-down counts on from where it
  // placed last, so a contradiction further on takes the last such choice
  // the other way, depth first.
  std::vector<bool> choices;
  std::optional<Contradiction> first;
  std::int64_t budget = kMostSteps;
  for (int replays = 0;; ++replays) {
    if (replays == kMostReplays || budget < 0) {
      s.cell_misfit(first->cell, first->field,
                    first->reason +
                        "; no reading of the code points "
                        "of 180 was found in time",
                    Misfit::Kind::kNotRebuilt);
    }
    PassReplay replay(s, choices, budget);
    try {
      replay.run();
    } catch (const OutOfBudget&) {
      if (!first) {
        s.cell_misfit(0, CellField::kKind,
                      "the code pass walks too far to be replayed: slow-downs without ends",
                      Misfit::Kind::kNotRebuilt);
      }
      continue;
    } catch (const Contradiction& contradiction) {
      if (!first) first = contradiction;
      choices = replay.made();
      while (!choices.empty() && !choices.back()) choices.pop_back();
      if (choices.empty()) s.cell_misfit(first->cell, first->field, first->reason);
      choices.back() = false;
      continue;
    }
    return sorted_origins(replay.origins());
  }
}
}  // namespace borgo::tools::decompile
