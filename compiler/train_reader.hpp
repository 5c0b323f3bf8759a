#pragma once

#include <cstdint>
#include <string_view>

#include "compiler/compile_report.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler::detail {

// Reads the train description's bytes into the model. Stations take items
// 1, 2, ... and must stay below `sign_slot`. Ends with the test of the
// kilometre-progressive changes.
void read_train_description(RouteModel& model, std::string_view bytes, std::int32_t sign_slot,
                            CompileReport& report);

}  // namespace borgo::compiler::detail
