#pragma once

#include <cstdint>

#include "compiler/route_model.hpp"

namespace borgo::compiler {

// The contest codes: sums of the Windows-1252 codes of the first 25
// characters of the lower-cased train name, line name and a fixed filler.
// Both build their work string in model.text_line.
std::int16_t codice_gara_og(RouteModel& model);  // plain sum
std::int32_t codice_gara_st(RouteModel& model);  // weighted by position, 1 to 25

// Stamps 610 and 5121 and the two codes into items[85] and cell 1. Returns 0,
// or 1250 / 1251 when those fields are already in use (a fatal outcome).
std::int32_t stamp_contest_codes(RouteModel& model);

}  // namespace borgo::compiler
