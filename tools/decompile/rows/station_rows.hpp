#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/decompile/compiled_scenario.hpp"
#include "tools/decompile/description_rows.hpp"

namespace borgo::tools::decompile {

// A station as its item holds it, with the marks its row leaves in the cells.
struct RecoveredStation {
  std::int32_t item = 0;  // 1, 2, ...
  StationRow row;
  std::optional<std::int32_t> stop_cell;                              // kind 10, value1 = item
  std::vector<std::pair<std::int32_t, std::uint8_t>> approach_marks;  // cell, mark
};

// The stations of items 1 upward, back to their rows. Throws MisfitFound.
std::vector<RecoveredStation> recover_stations(const CompiledScenario& s,
                                               std::vector<Unrecovered>& unrecovered);

// How a text field must be written so that the reader gives `text` back:
// as it is, or between double quotes; nullopt when neither does (a text
// that needs quotes and holds one).
std::optional<std::string> text_field(std::string_view text);

}  // namespace borgo::tools::decompile
