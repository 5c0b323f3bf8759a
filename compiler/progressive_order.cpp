#include "compiler/progressive_order.hpp"

#include <array>
#include <cstdint>

#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"

namespace borgo::compiler {
namespace {

struct Progressive {
  std::int32_t position = 0;
  std::int32_t value = 0;
  std::int32_t flag = 0;
};

Progressive read(const ItemRecord& item) {
  const ProgressiveItem change(item);
  return {change.position(), change.value(), change.flag()};
}

void write(ItemRecord& item, const Progressive& p) {
  const ProgressiveItem change(item);
  change.position() = p.position;
  change.value() = p.value;
  change.flag() = p.flag;
}

// Furthest first. When no position is strictly the largest (two or three
// share it) nothing is chosen and every output stays zero.
std::array<Progressive, 3> by_position(const Progressive& r81, const Progressive& r82,
                                       const Progressive& r83) {
  std::array<Progressive, 3> out{};
  if (r81.position > r82.position && r81.position > r83.position) {
    out = r82.position > r83.position ? std::array{r81, r82, r83} : std::array{r81, r83, r82};
  }
  if (r82.position > r81.position && r82.position > r83.position) {
    out = r81.position > r83.position ? std::array{r82, r81, r83} : std::array{r82, r83, r81};
  }
  if (r83.position > r81.position && r83.position > r82.position) {
    out = r81.position > r82.position ? std::array{r83, r81, r82} : std::array{r83, r82, r81};
  }
  return out;
}

// With no positions the values decide; each test that holds replaces the
// whole choice, so the last one wins.
std::array<Progressive, 3> by_value(const Progressive& r81, const Progressive& r82,
                                    const Progressive& r83) {
  std::array<Progressive, 3> out{};
  if (r81.value > 0) out = {r81, r82, r83};
  if (r82.value > 0) out = {r82, r81, r83};
  if (r83.value > 0) out = {r83, r82, r81};
  return out;
}

}  // namespace

void progressive_ordina(RouteModel& model) {
  ItemRecord& far = model.items[kProgressiveFar];
  ItemRecord& mid = model.items[kProgressiveMid];
  ItemRecord& near = model.items[kProgressiveNear];
  const Progressive r81 = read(far);
  const Progressive r82 = read(mid);
  const Progressive r83 = read(near);

  // The choice of ordering rests on the 32-bit sum of the positions; a sum
  // that does not fit is an overflow like any other in the compiler.
  const std::int32_t sum =
      checked_narrow<std::int32_t>(std::int64_t{r81.position} + r82.position + r83.position);
  const std::array<Progressive, 3> out =
      sum != 0 ? by_position(r81, r82, r83) : by_value(r81, r82, r83);

  write(far, out[0]);
  write(mid, out[1]);
  write(near, out[2]);
  for (ItemRecord* item : {&far, &mid, &near}) {
    const ProgressiveItem change(*item);
    if (change.flag() == 1) {
      change.value() =
          checked_narrow<std::int32_t>(std::int64_t{change.value()} + kProgressiveFlagRaise);
    }
  }
}

}  // namespace borgo::compiler
