#pragma once

// The line file's bytes: every first coordinate of the plan, then every
// second one, each entry its type code and its value.

#include <cstdint>

#include "compiler/chunk_writer.hpp"
#include "compiler/line_plan.hpp"

namespace borgo::compiler {

std::uint64_t line_plan_bytes(const LinePlan& plan);

void write_line_plan(const LinePlan& plan, ChunkWriter& out);

}  // namespace borgo::compiler
