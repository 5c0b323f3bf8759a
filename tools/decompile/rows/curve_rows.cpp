#include "tools/decompile/rows/curve_rows.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <string>

#include "compiler/line_plan.hpp"

namespace borgo::tools::decompile {
namespace {

using compiler::PlanValue;

// The turn per metre of each radius class; the key's "s" turns it the other way.
constexpr std::array<double, 6> kTurnByClass{0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
// The plan passes no curve beyond this metre.
constexpr std::int64_t kLastCurveMetre = 1000000;

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

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

struct Run {
  std::int64_t first = 0;
  std::int64_t last = 0;
  double k = 0.0;
};

}  // namespace

std::vector<CurveRow> recover_curves(const CompiledScenario& s) {
  const std::array<compiler::PlanColumn, 2>& plan = *s.plan;
  const auto plan_misfit = [&](int coordinate, std::int64_t metre, const std::string& why) {
    misfit(Misfit::Kind::kNeverWritten, compiler::CompiledFileKind::kLinePlan,
           s.plan_offset(coordinate, metre),
           "metre " + std::to_string(metre) + " coordinate " + std::to_string(coordinate) + ": " +
               why);
  };
  // The origin: (0, 0), then (0, 1), as 16-bit integers.
  for (std::int64_t m = 0; m < 2; ++m) {
    for (int c = 0; c < 2; ++c) {
      const PlanValue entry = plan[static_cast<std::size_t>(c)][static_cast<std::size_t>(m)];
      const std::int16_t wanted = (m == 1 && c == 1) ? 1 : 0;
      if (entry.tag != PlanValue::kInt16 || entry.integer != wanted) {
        plan_misfit(c, m,
                    "the plan begins with the 16-bit integers 0, 0 and 0, 1; a plan without them "
                    "comes from a reading that stopped in the general section");
      }
    }
  }
  // Metres 2 onward: doubles up to where the plan was reached, then unset.
  const std::int64_t metres = static_cast<std::int64_t>(plan[0].size());
  std::int64_t reached = 2;
  while (reached < metres && plan[0].tag(static_cast<std::size_t>(reached)) == PlanValue::kDouble &&
         plan[1].tag(static_cast<std::size_t>(reached)) == PlanValue::kDouble) {
    ++reached;
  }
  for (std::int64_t m = reached; m < metres; ++m) {
    for (int c = 0; c < 2; ++c) {
      if (plan[static_cast<std::size_t>(c)].tag(static_cast<std::size_t>(m)) != PlanValue::kUnset) {
        plan_misfit(c, m,
                    "after the metres the plan reached, every entry is unset; this one is not");
      }
    }
  }
  if (reached < s.plan_last - 1) {
    plan_misfit(0, reached,
                "the plan stops here, before metre " + std::to_string(s.plan_last - 1) +
                    ": the line description's reading stopped at an error, and a description "
                    "that stops there is not rebuilt");
  }

  // Each metre's turn, as runs of equal turns.
  std::vector<Run> runs;
  compiler::PlanWalk walk;
  double k = 0.0;
  for (std::int64_t m = 2; m < reached; ++m) {
    const double x = plan[0].as_double(static_cast<std::size_t>(m));
    const double y = plan[1].as_double(static_cast<std::size_t>(m));
    bool found = false;
    for (const double turn : turns_from(k)) {
      compiler::PlanWalk next = walk;
      next.step(turn);
      if (same_bits(next.x(), x) && same_bits(next.y(), y)) {
        walk = next;
        k = turn;
        found = true;
        break;
      }
    }
    if (!found) {
      plan_misfit(0, m,
                  "the coordinates are no step from the two metres before, straight or on a "
                  "curve of any radius class");
    }
    if (runs.empty() || runs.back().k != k) {
      runs.push_back({m, m, k});
    } else {
      runs.back().last = m;
    }
  }

  // Curve rows: each curve's row also runs the line straight up to it.
  const std::int64_t last_start =
      50LL * s.cell_last - 100;  // a row closer to the end stops reading
  std::vector<CurveRow> rows;
  for (std::size_t r = 0; r < runs.size(); ++r) {
    const Run& run = runs[r];
    if (run.k == 0.0) {
      // A straight run is made by the row of the curve after it or, at the
      // end, by the completion, which runs straight up to plan_last - 2.
      if (r + 1 == runs.size() && run.last != s.plan_last - 2) {
        plan_misfit(0, run.last + 1,
                    "the line runs straight to metre " + std::to_string(run.last) +
                        ", but a plan that ends straight ends at metre " +
                        std::to_string(s.plan_last - 2));
      }
      continue;
    }
    if (run.last > kLastCurveMetre) {
      plan_misfit(0, kLastCurveMetre + 1,
                  "a curve goes on past metre 1000000, where the compile stops the plan with "
                  "an error");
    }
    std::int64_t start = run.first - 1;
    if (start > last_start) {
      // A row may start before the metre already reached: the curve then
      // begins where the plan stands. A straight stretch before it cannot be.
      if (r > 0 && runs[r - 1].k == 0.0) {
        plan_misfit(0, run.first,
                    "a curve begins at metre " + std::to_string(run.first) +
                        " after a straight, within 100 m of the grid's end, where no curve row "
                        "may start");
      }
      start = last_start;
    }
    const double turn = run.k < 0 ? -run.k : run.k;
    int radius_class = 1;
    while (kTurnByClass[static_cast<std::size_t>(radius_class - 1)] != turn) ++radius_class;
    rows.push_back({run.k < 0, radius_class, static_cast<std::int32_t>(start),
                    static_cast<std::int32_t>(run.last - start)});
  }
  return rows;
}

}  // namespace borgo::tools::decompile
