#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace borgo::tools {

// A cell kind in words, for people ("slow-down start") and as a key for
// scripts ("slow_down_start"). A code outside the closed set is named by its
// number.
std::string kind_name(std::uint8_t kind);
std::string kind_key(std::uint8_t kind);

// The positions whose features land in a cell: a feature at p metres stands
// in cell p / 50 + 1, so cell i holds (i - 1) * 50 up to i * 50 m.
std::int64_t cell_first_metre(std::int64_t cell);
std::string cell_range(std::int64_t cell);  // "cell 22 (1050..1100 m)"

}  // namespace borgo::tools
