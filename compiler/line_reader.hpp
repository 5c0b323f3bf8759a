#pragma once

#include <cstdint>
#include <string_view>

#include "compiler/compile_report.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler::detail {

struct LineReadResult {
  bool go_on;              // false: memorizza_dati returns now
  std::int32_t sign_slot;  // the next free item for a sign; stations stay below it
};

// Reads the line description's bytes into the model.
LineReadResult read_line_description(RouteModel& model, std::string_view bytes,
                                     CompileReport& report);

// Extends the line plan straight, from metre `m` up to `last` included:
// each metre repeats the step between the two before it.
void extend_plan_straight(RouteModel& model, std::int32_t& m, std::int64_t last);

}  // namespace borgo::compiler::detail
