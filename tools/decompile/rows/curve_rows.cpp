#include "tools/decompile/rows/curve_rows.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "compiler/compiled_layout.hpp"
#include "compiler/line_plan.hpp"
#include "tools/decompile/rows/plan_turns.hpp"

namespace borgo::tools::decompile {
namespace {

using compiler::PlanValue;

// The turn per metre of each radius class; the key's "s" turns it the other way.
constexpr std::array<double, 6> kTurnByClass{0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
// The plan passes no curve beyond this metre.
constexpr std::int64_t kLastCurveMetre = 1000000;

using Run = PlanRun;

}  // namespace

std::vector<CurveRow> recover_curves(const CompiledScenario& s) {
  const LineFileLayout& plan = *s.plan;
  const std::size_t metres = plan.metres();
  const auto entry_of = [metres](int coordinate, std::size_t metre) {
    return static_cast<std::size_t>(coordinate) * metres + metre;
  };
  const auto plan_misfit = [&](int coordinate, std::int64_t metre, const std::string& why) {
    misfit(Misfit::Kind::kNeverWritten, compiler::CompiledFileKind::kLinePlan,
           s.plan_offset(coordinate, metre),
           "metre " + std::to_string(metre) + " coordinate " + std::to_string(coordinate) + ": " +
               why);
  };
  // The origin: (0, 0), then (0, 1), as 16-bit integers.
  for (std::int64_t m = 0; m < 2; ++m) {
    for (int c = 0; c < 2; ++c) {
      const PlanValue entry = plan.entry(entry_of(c, static_cast<std::size_t>(m)));
      const std::int16_t wanted = (m == 1 && c == 1) ? 1 : 0;
      if (entry.tag != PlanValue::kInt16 || entry.integer != wanted) {
        plan_misfit(c, m,
                    "the plan begins with the 16-bit integers 0, 0 and 0, 1; a plan without them "
                    "comes from a reading that stopped in the general section");
      }
    }
  }
  // Metres 2 onward: doubles up to where the plan was reached, then unset.
  std::size_t reached = metres;
  for (int c = 0; c < 2; ++c) {
    const std::size_t other =
        plan.first_not(PlanValue::kDouble, entry_of(c, 2), entry_of(c, metres));
    reached = std::min(reached, other - entry_of(c, 0));
  }
  std::array<std::size_t, 2> first_set{};
  for (int c = 0; c < 2; ++c) {
    first_set[static_cast<std::size_t>(c)] =
        plan.first_not(PlanValue::kUnset, entry_of(c, reached), entry_of(c, metres)) -
        entry_of(c, 0);
  }
  const std::size_t set_after = std::min(first_set[0], first_set[1]);
  if (set_after < metres) {
    plan_misfit(first_set[0] == set_after ? 0 : 1, static_cast<std::int64_t>(set_after),
                "after the metres the plan reached, every entry is unset; this one is not");
  }
  if (static_cast<std::int64_t>(reached) < s.plan_last - 1) {
    plan_misfit(0, static_cast<std::int64_t>(reached),
                "the plan stops here, before metre " + std::to_string(s.plan_last - 1) +
                    ": the line description's reading stopped at an error, and a description "
                    "that stops there is not rebuilt");
  }

  // Walked already where the file was read in one pass.
  const char* const bytes = plan.bytes().data();
  const PlanTurns turns = s.turns
                              ? *s.turns
                              : *plan_turns(bytes + plan.offset_of(entry_of(0, 2)),
                                            bytes + plan.offset_of(entry_of(1, 2)), reached, false);
  const std::vector<Run>& runs = turns.runs;
  if (turns.off) {
    plan_misfit(0, *turns.off,
                "the coordinates are no step from the two metres before, straight or on a "
                "curve of any radius class");
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
