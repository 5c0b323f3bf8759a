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

// A cell and the positions whose features land in it: "cell 22 (1050..1100 m)".
std::string cell_range(std::int64_t cell);

}  // namespace borgo::tools
