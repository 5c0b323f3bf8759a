#pragma once

#include "compiler/route_model.hpp"

namespace borgo::compiler {

// Puts the three kilometre-progressive changes in items 81..83 (start =
// position, end = value, position = flag) into their fixed order: by
// position, furthest first, or, when every position is 0, by value. Then a
// flag of exactly 1 adds 100 to its value. Touches no other field.
// Runs once per compile: a second run would add the 100 again.
void progressive_ordina(RouteModel& model);

}  // namespace borgo::compiler
