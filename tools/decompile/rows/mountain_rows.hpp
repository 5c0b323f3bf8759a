#pragma once

#include <vector>

#include "tools/decompile/compiled_scenario.hpp"
#include "tools/decompile/description_rows.hpp"

namespace borgo::tools::decompile {

// The montagna rows that stamp every cell's montagna type and leave a
// marker (kind 11) in each cell that holds one and in none that stays
// empty; the markers under later features are free. Throws MisfitFound
// when no rows within the 80 ranges are found.
std::vector<compiler::MountainRow> recover_mountains(const CompiledScenario& s,
                                                     std::vector<Unrecovered>& unrecovered);

}  // namespace borgo::tools::decompile
