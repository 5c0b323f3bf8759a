#pragma once

// The turns of a line plan's metres, checked where the line file holds
// them: each metre against the step from the two before it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace borgo::tools::decompile {

// Metres first .. last, each turned by k.
struct PlanRun {
  std::int64_t first = 0;
  std::int64_t last = 0;
  double k = 0.0;
};

// The runs of equal turns of metres 2 .. reached - 1, or the first metre
// that is no step of any turn.
struct PlanTurns {
  std::vector<PlanRun> runs;
  std::optional<std::int64_t> off;
};

// From the double entries of metre 2 on, of the first coordinates at xs and
// of the second at ys, metres 0 and 1 taken as the origin. With
// check_codes, the entries' type codes are also checked to be a double's:
// nullopt when one is not.
std::optional<PlanTurns> plan_turns(const char* xs, const char* ys, std::size_t reached,
                                    bool check_codes);

}  // namespace borgo::tools::decompile
