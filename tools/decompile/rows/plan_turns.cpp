#include "tools/decompile/rows/plan_turns.hpp"

#include <array>
#include <bit>

#include "compiler/compiled_layout.hpp"
#include "compiler/line_plan.hpp"
#include "tools/drawing/line_file_layout.hpp"

namespace borgo::tools::decompile {
namespace {

using compiler::PlanValue;

// The turn per metre of each radius class; the key's "s" turns it the other way.
constexpr std::array<double, 6> kTurnByClass{0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
constexpr std::size_t kDoubleEntry = compiler::layout::plan_entry_bytes(PlanValue::kDouble);
// What first_off_turn returns when an entry is no double.
constexpr std::size_t kNoDouble = static_cast<std::size_t>(-1);

// The turns a metre may take, the current one first so that a curve stays
// one run, then straight on.
std::array<double, 13> turns_from(double current) {
  std::array<double, 13> turns{};
  std::size_t n = 0;
  turns[n++] = current;
  if (current != 0.0) turns[n++] = 0.0;
  for (const double k : kTurnByClass) {
    for (const double signed_k : {k, -k}) {
      if (signed_k != current) turns[n++] = signed_k;
    }
  }
  return turns;
}

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// The other turn than `current` that steps from `walk` to (x, y). Out of
// line: a run's end is rare, and the loop over the metres keeps its values
// in registers.
[[gnu::noinline]] std::optional<double> turn_onto(const compiler::PlanWalk& walk, double current,
                                                  double x, double y) {
  for (const double turn : turns_from(current)) {
    if (turn == current) continue;
    compiler::PlanWalk next = walk;
    next.step(turn);
    if (same_bits(next.x(), x) && same_bits(next.y(), y)) return turn;
  }
  return std::nullopt;
}

bool is_double(const char* entry) {
  return little_endian_at<compiler::layout::PlanTypeCode>(entry) == PlanValue::kDouble;
}

// The coordinates of one metre as the file holds them: metres 0 and 1 the
// origin's, those after them the doubles of the first and second
// coordinates that begin at xs and ys, a fixed stride apart.
struct PlanMetres {
  const char* xs;
  const char* ys;

  static double double_entry(const char* entry) {
    return std::bit_cast<double>(little_endian_at<std::uint64_t>(entry + sizeof(std::uint16_t)));
  }
  double x(std::size_t m) const { return m < 2 ? 0.0 : double_entry(xs + (m - 2) * kDoubleEntry); }
  double y(std::size_t m) const {
    return m < 2 ? static_cast<double>(m) : double_entry(ys + (m - 2) * kDoubleEntry);
  }
  bool doubles(std::size_t m) const {
    return is_double(xs + (m - 2) * kDoubleEntry) && is_double(ys + (m - 2) * kDoubleEntry);
  }
  compiler::PlanWalk walk_to(std::size_t m) const {
    return compiler::PlanWalk(x(m - 2), y(m - 2), x(m - 1), y(m - 1));
  }
  // Whether metre m is the step by k from the two before it.
  bool steps(std::size_t m, double k) const {
    compiler::PlanWalk walk = walk_to(m);
    walk.step(k);
    return same_bits(walk.x(), x(m)) && same_bits(walk.y(), y(m));
  }
};

// The first metre of m .. end - 1 that is not the step by k from the two
// before it as the file holds them, or end; kNoDouble at an entry that is
// no double, when the codes are checked. Those two are the walk's own once
// checked, so no metre waits on the sums of the one before: the loop goes
// at the pace of the loads, and the codes it checks lie in the same bytes.
template <bool kCheckCodes>
[[gnu::always_inline]] inline std::size_t first_off_turn(const PlanMetres& plan, std::size_t m,
                                                         std::size_t end, double k) {
  for (; m < end && m < 4; ++m) {
    if (kCheckCodes && !plan.doubles(m)) return kNoDouble;
    if (!plan.steps(m, k)) return m;
  }
  const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
  const char* x = plan.xs + (m - 2) * kDoubleEntry;
  const char* y = plan.ys + (m - 2) * kDoubleEntry;
  for (; m < end; ++m, x += kDoubleEntry, y += kDoubleEntry) {
    if (kCheckCodes && !(is_double(x) && is_double(y))) return kNoDouble;
    compiler::PlanWalk walk(PlanMetres::double_entry(x - 2 * kDoubleEntry),
                            PlanMetres::double_entry(y - 2 * kDoubleEntry),
                            PlanMetres::double_entry(x - kDoubleEntry),
                            PlanMetres::double_entry(y - kDoubleEntry));
    walk.step(k);
    if (((bits(walk.x()) ^ bits(PlanMetres::double_entry(x))) |
         (bits(walk.y()) ^ bits(PlanMetres::double_entry(y)))) != 0) {
      return m;
    }
  }
  return end;
}

template <bool kCheckCodes>
std::optional<PlanTurns> turns_of(const PlanMetres& plan, std::size_t reached) {
  PlanTurns turns;
  double k = 0.0;
  std::size_t run_first = 2;
  for (std::size_t m = 2; m < reached; ++m) {
    // A straight's step has no turn to multiply: its loop of its own.
    m = k == 0.0 ? first_off_turn<kCheckCodes>(plan, m, reached, 0.0)
                 : first_off_turn<kCheckCodes>(plan, m, reached, k);
    if (m == kNoDouble) return std::nullopt;
    if (m == reached) break;
    const std::optional<double> turn = turn_onto(plan.walk_to(m), k, plan.x(m), plan.y(m));
    if (!turn) {
      // The metres after it are no step anyone checks, but their codes are
      // still the layout's.
      for (std::size_t after = m; kCheckCodes && after < reached; ++after) {
        if (!plan.doubles(after)) return std::nullopt;
      }
      turns.off = static_cast<std::int64_t>(m);
      return turns;
    }
    if (m > run_first) {
      turns.runs.push_back(
          {static_cast<std::int64_t>(run_first), static_cast<std::int64_t>(m) - 1, k});
    }
    run_first = m;
    k = *turn;
  }
  if (reached > 2) {
    turns.runs.push_back(
        {static_cast<std::int64_t>(run_first), static_cast<std::int64_t>(reached) - 1, k});
  }
  return turns;
}

}  // namespace

std::optional<PlanTurns> plan_turns(const char* xs, const char* ys, std::size_t reached,
                                    bool check_codes) {
  const PlanMetres plan{xs, ys};
  return check_codes ? turns_of<true>(plan, reached) : turns_of<false>(plan, reached);
}

}  // namespace borgo::tools::decompile
