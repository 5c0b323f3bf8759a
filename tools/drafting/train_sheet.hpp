#pragma once

// The train sheet drafted from the descriptions and the sheet settings: pages
// of 32 body lines in route order, each page beginning where the one before
// ended, under the package's own header blocks.

#include <string_view>

#include "tools/drafting/route_facts.hpp"
#include "tools/drafting/sheet_settings.hpp"
#include "tools/drafting/slow_down_order.hpp"

namespace borgo::tools::drafting {

inline constexpr std::size_t kSheetBodyLines = 32;

Draft draft_train_sheet(const RouteFacts& facts, const SheetSettings& settings,
                        std::string_view train_name);

}  // namespace borgo::tools::drafting
