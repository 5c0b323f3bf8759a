#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace borgo::tools {

// Whether one digit standing for another costs nothing: a description's key
// carries its own numbers ("curvas3") where the format's example has others.
enum class Digits : std::uint8_t { kCounted, kAlike };

// The least number of letters to insert, delete or replace to turn `a` into
// `b`, ASCII letter case ignored. Only the first kEditDistanceLongest bytes of
// each are compared: the distance costs the product of the two lengths.
inline constexpr std::size_t kEditDistanceLongest = 64;
std::size_t edit_distance(std::string_view a, std::string_view b, Digits digits = Digits::kCounted);

}  // namespace borgo::tools
