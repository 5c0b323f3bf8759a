#pragma once

#include <vector>

#include "tools/decompile/compiled_scenario.hpp"
#include "tools/decompile/description_rows.hpp"
#include "tools/decompile/rows/station_rows.hpp"

namespace borgo::tools::decompile {

// The rows behind the cells' kinds and approach marks: speed indicators and
// signs for the line description; stations, slow-downs, signals and code
// points for the train description, in an order whose writes leave every
// approach mark as the file has it. A station's stop mark covers what stood
// in its cell before: what shows of it through the mark is rebuilt as a
// feature placed there earlier. Throws MisfitFound.
void recover_cell_features(const CompiledScenario& s, const std::vector<RecoveredStation>& stations,
                           LineRows& line, TrainRows& train, std::vector<Unrecovered>& unrecovered);

}  // namespace borgo::tools::decompile
