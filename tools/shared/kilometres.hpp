#pragma once

// Positions as the service documents, the reference and the editor write
// them: kilometres with three decimals.

#include <cstdint>
#include <string>

namespace borgo::tools {

// Metres as kilometres with three decimals: 143450 is "143.450", -500 is
// "-0.500".
std::string kilometres(std::int64_t metres);

// The whole kilometre at or before `metres`: 143450 gives 143000, -500 gives
// -1000.
std::int64_t kilometre_post_before(std::int64_t metres);

}  // namespace borgo::tools
