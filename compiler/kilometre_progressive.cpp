#include "compiler/kilometre_progressive.hpp"

#include <algorithm>
#include <array>

#include "compiler/record_roles.hpp"

namespace borgo::compiler {

KilometreAt kilometre_progressive(const RouteModel& model, std::int64_t p) {
  struct Change {
    std::int64_t position;
    std::int64_t value;
  };
  std::array<Change, 3> changes{};
  std::size_t count = 0;
  for (int index : {kProgressiveNear, kProgressiveMid, kProgressiveFar}) {
    const ItemRecord& item = model.items[static_cast<std::size_t>(index)];
    const ProgressiveItem change(item);
    // A row that was never written leaves its record all zero.
    if (change.position() == 0 && change.value() == 0 && change.flag() == 0) continue;
    changes[count++] = {change.position(),
                        progressive_value_as_written(change.value(), change.flag())};
  }
  // The ordering already puts them furthest first; a model that came
  // otherwise is still counted in route order.
  std::stable_sort(changes.begin(), changes.begin() + static_cast<std::ptrdiff_t>(count),
                   [](const Change& a, const Change& b) { return a.position < b.position; });
  KilometreAt at{p, std::nullopt};
  for (std::size_t i = 0; i < count; ++i) {
    if (changes[i].position < p) {
      at.metres = p + changes[i].value;
    } else if (changes[i].position == p) {
      at.changes_to = p + changes[i].value;
    }
  }
  return at;
}

}  // namespace borgo::compiler
