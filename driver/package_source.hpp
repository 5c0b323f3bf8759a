#pragma once

#include <memory>
#include <string_view>

#include "documents/package_payload.hpp"
#include "driver/platform.hpp"

namespace borgo::driver {

// The title of the report of a generic package program whose scenario
// cannot be read, and so has no names to make one of.
inline constexpr std::string_view kPackageTitle = "Scenario package";

// The scenario a generic package program carries at the end of its own
// file. When the file cannot be read, or carries no scenario or a damaged
// one, shows the run-time report ("the package is damaged: ..." for a
// damaged one) and ends the program with status 2: nothing is written.
std::unique_ptr<documents::Package> load_package(Platform& platform);

}  // namespace borgo::driver
