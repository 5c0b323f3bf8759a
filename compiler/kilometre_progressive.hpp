#pragma once

#include <cstdint>
#include <optional>

#include "compiler/route_model.hpp"

namespace borgo::compiler {

// The kilometre progressive at route position p, in metres, as the train
// sheet counts it: the route position itself from the start of the line,
// and after each kilometre-progressive change (items 81 to 83, taken in
// route order) the position plus that change's value as its row wrote it.
// At a change's own position the old progressive still holds; `changes_to`
// then gives the one that holds after it.
struct KilometreAt {
  std::int64_t metres = 0;
  std::optional<std::int64_t> changes_to;
  bool operator==(const KilometreAt&) const = default;
};
KilometreAt kilometre_progressive(const RouteModel& model, std::int64_t p);

}  // namespace borgo::compiler
