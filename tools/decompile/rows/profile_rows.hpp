#pragma once

#include <cstdint>
#include <vector>

#include "compiler/route_model.hpp"
#include "tools/decompile/description_rows.hpp"

namespace borgo::tools::decompile {

// The rows that fill one profile field of every cell (gradient, line speed,
// adhesion) with the codes it holds, given the value a row needs for each
// code. Every column of codes has such rows: each row's value holds from its
// own cell on, and a few rows at the grid's last reachable cell reach the
// three cells after it, which the profile otherwise leaves at 0.
std::vector<ProfileRow> profile_rows(const std::vector<compiler::CellRecord>& cells,
                                     std::uint8_t compiler::CellRecord::*field,
                                     std::int32_t (*value_of)(std::uint8_t code));

}  // namespace borgo::tools::decompile
