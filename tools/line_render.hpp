#pragma once

#include <array>
#include <string>
#include <vector>

#include "compiler/route_model.hpp"

namespace borgo::tools {

// What the drawing is made from: the decoded compiled files.
struct RenderInput {
  std::string line_name;   // UTF-8
  std::string train_name;  // UTF-8
  std::vector<compiler::CellRecord> cells;
  std::vector<compiler::ItemRecord> items;
  std::array<compiler::PlanColumn, 2> plan;  // empty without a line file
};

// One SVG page: the plan view of the line with its stations and signals and,
// below it on one axis of route position with kilometre progressives, the
// stations, the height profile integrated from the gradients, the gradient,
// the line speed with the slow-downs, the adhesion, the curvature, the
// signals, montagna ranges and the signs (kilometre posts). No script.
std::string render_line_svg(const RenderInput& input);

}  // namespace borgo::tools
