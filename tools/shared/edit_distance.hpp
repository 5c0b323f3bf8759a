#pragma once

#include <cstddef>
#include <string_view>

namespace borgo::tools {

// The least number of letters to insert, delete or replace to turn `a` into
// `b`, ASCII letter case ignored. Only the first kEditDistanceLongest bytes of
// each are compared: the distance costs the product of the two lengths.
inline constexpr std::size_t kEditDistanceLongest = 64;
std::size_t edit_distance(std::string_view a, std::string_view b);

}  // namespace borgo::tools
