#include "compiler/line_plan.hpp"

#include <stdexcept>
#include <string>
#include <utility>

namespace borgo::compiler {

void LinePlan::reset(std::int32_t metres) {
  metres_ = metres;
  reached_ = 0;
  runs_.clear();
}

void LinePlan::place_origin() {
  if (metres_ < 2) throw std::logic_error("a line plan of fewer than two metres has no origin");
  runs_.clear();
  reached_ = 2;
}

void LinePlan::add_run(std::int32_t last, double k) {
  if (reached_ < 2 || last < reached_ || last >= metres_) {
    throw std::logic_error("a plan run from metre " + std::to_string(reached_) + " to " +
                           std::to_string(last) + " does not follow the plan");
  }
  runs_.push_back({reached_, last, k});
  reached_ = last + 1;
}

PlanColumn LinePlan::column(int coordinate) const {
  return std::move(columns()[coordinate == 0 ? 0 : 1]);
}

std::array<PlanColumn, 2> LinePlan::columns() const {
  std::array<PlanColumn, 2> plan;
  const auto metres = static_cast<std::size_t>(metres_);
  plan[0].assign(metres);
  plan[1].assign(metres);
  if (reached_ < 2) return plan;
  plan[0].set(0, PlanValue::of_int16(0));
  plan[1].set(0, PlanValue::of_int16(0));
  plan[0].set(1, PlanValue::of_int16(0));
  plan[1].set(1, PlanValue::of_int16(1));
  std::uint8_t* const x_tags = plan[0].tags();
  std::uint8_t* const y_tags = plan[1].tags();
  double* const xs = plan[0].values();
  double* const ys = plan[1].values();
  // The walk the line file's writer takes, step for step.
  PlanWalk walk;
  for (const Run& run : runs_) {
    for (std::int32_t m = run.first; m <= run.last; ++m) {
      walk.step(run.k);
      const auto at = static_cast<std::size_t>(m);
      x_tags[at] = y_tags[at] = PlanValue::kDouble;
      xs[at] = walk.x();
      ys[at] = walk.y();
    }
  }
  return plan;
}

}  // namespace borgo::compiler
