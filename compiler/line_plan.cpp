#include "compiler/line_plan.hpp"

#include <stdexcept>
#include <string>

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
  PlanColumn column;
  column.reserve(static_cast<std::size_t>(metres_));
  if (reached_ >= 2) {
    column.push_back(PlanValue::of_int16(0));
    column.push_back(PlanValue::of_int16(coordinate == 0 ? 0 : 1));
    PlanWalk walk;
    for (const Run& run : runs_) {
      for (std::int32_t m = run.first; m <= run.last; ++m) {
        walk.step(run.k);
        column.push_back(PlanValue::of_double(walk.coordinate(coordinate)));
      }
    }
  }
  while (column.size() < static_cast<std::size_t>(metres_)) column.push_back(PlanValue{});
  return column;
}

}  // namespace borgo::compiler
