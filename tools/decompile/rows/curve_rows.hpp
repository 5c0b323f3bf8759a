#pragma once

#include <vector>

#include "tools/decompile/compiled_scenario.hpp"
#include "tools/decompile/description_rows.hpp"

namespace borgo::tools::decompile {

// The curve rows whose plan is the line file's: each metre from 2 on must be
// the step of the two before it, straight or turned by one of the radius
// classes, and the line must run straight from the last curve to 7000 m past
// its end but two metres. Throws MisfitFound.
std::vector<CurveRow> recover_curves(const CompiledScenario& s);

}  // namespace borgo::tools::decompile
