#pragma once

#include <cstdint>
#include <vector>

#include "tools/decompile/compiled_scenario.hpp"

namespace borgo::tools::decompile {

// Which code points (kinds 12 and 13) came from "abbattimento" rows and
// which from the code pass that runs after the readers.
struct CodePointOrigins {
  std::vector<std::int32_t> row_cells;  // ascending
  // Row cells the pass lowered to 180: their row may have given more.
  std::vector<std::int32_t> lowered;
};

// Runs the code pass again over the cells as the readers left them, where
// each code point of value 180 the pass looks at is taken for one it
// placed, or for a row's where that one leads the pass astray: whatever the
// pass places then is already in the file, so the same pass over the
// rebuilt rows places exactly the file's code points. Throws MisfitFound
// when every reading has the pass place one where the file has none, or
// lower one the file holds above 180.
CodePointOrigins find_code_point_origins(const CompiledScenario& s);

}  // namespace borgo::tools::decompile
