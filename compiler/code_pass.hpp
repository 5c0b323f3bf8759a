#pragma once

#include "compiler/compile_report.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler {

// Adds code points (kind 12, value 180) in front of the signals before every
// slow-down's warning board and around every slow-down; a code point already
// in front of such a signal is lowered to at most 180. Places nothing where
// no cell is free; notes each such place in `report` when one is given.
void signal_code_pass(RouteModel& model, CompileReport* report = nullptr);

}  // namespace borgo::compiler
