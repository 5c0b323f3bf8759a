#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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

// Where things land on the page that render_line_svg draws from the same
// input, in the page's units: what lays marks over the drawing asks here, so
// that the marks and the drawing cannot part. Valid while `input` lives.
class LineGeometry {
 public:
  explicit LineGeometry(const RenderInput& input);
  ~LineGeometry();
  LineGeometry(const LineGeometry&) = delete;
  LineGeometry& operator=(const LineGeometry&) = delete;

  // The metres the route axis spans.
  double length() const;
  // A route position on the route axis, kept within the axis.
  double route_x(double metre) const;
  // A route position in the plan view; none without a plan, or where the
  // plan has no coordinates.
  std::optional<std::pair<double, double>> plan_point(double metre) const;
  // The kilometre progressive at a route position, in metres.
  double progressive(double metre) const;

  // The bands of the route axis that features are drawn in: the station
  // names, the line speed with the slow-downs, the signal ticks, the
  // montagna ranges, the signs, and all of the lanes from top to bottom.
  enum class Band { kStations, kSpeed, kSignals, kMountain, kSigns, kLanes };
  // Its top and bottom.
  std::pair<double, double> band(Band which) const;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace borgo::tools
