#pragma once

#include <cmath>
#include <concepts>
#include <cstdint>
#include <limits>
#include <string>

#include "compiler/route_model.hpp"
#include "compiler/runtime_failure.hpp"

namespace borgo::compiler {

// Rounds to the nearest integer, halves to the even neighbour; the one rule
// for every real-to-integer conversion of the compiler. A result outside the
// 32-bit range is an overflow.
inline std::int32_t rnd(double x) {
  const double r = std::nearbyint(x);  // default rounding mode: ties to even
  if (!(r >= std::numeric_limits<std::int32_t>::min() &&
        r <= std::numeric_limits<std::int32_t>::max())) {
    throw RuntimeFailure("overflow: " + std::to_string(x) + " does not fit 32 bits");
  }
  return static_cast<std::int32_t>(r);
}

// The longest line the model takes, and the metres of grid and plan it has
// past a line's end.
inline constexpr std::int32_t kLongestLine = 1000000;
inline constexpr std::int32_t kGridBeyondLine = 7000;

// The last cell of the grid of a line `length` metres long: the grid holds
// cells 0 to rnd((length + 7000) / 50).
inline std::int32_t grid_cell_last(std::int32_t length) {
  return rnd(static_cast<double>(std::int64_t{length} + kGridBeyondLine) / 50.0);
}

// The last metre of the line plan of a line `length` metres long.
constexpr std::int32_t plan_metre_last(std::int32_t length) { return length + kGridBeyondLine; }

// The cell of a feature at position p metres: rnd(p / 50 + 1).
inline std::int32_t cell_index(std::int64_t p) { return rnd(static_cast<double>(p) / 50.0 + 1.0); }
// Where the positions that land in cell i begin: cell i holds (i - 1) * 50 up to i * 50 m.
constexpr std::int64_t cell_first_metre(std::int64_t cell) { return (cell - 1) * 50; }

// Stores into the 16- and 8-bit fields of the model keep only the low bits.
template <std::integral Field>
constexpr Field keep_low_bits(std::int64_t value) {
  using Unsigned = std::make_unsigned_t<Field>;
  return static_cast<Field>(static_cast<Unsigned>(static_cast<std::uint64_t>(value)));
}

// Conversions that must fit: a value outside the field's range is an overflow.
template <std::integral Field>
Field checked_narrow(std::int64_t value) {
  if (value < std::numeric_limits<Field>::min() || value > std::numeric_limits<Field>::max()) {
    throw RuntimeFailure("overflow: " + std::to_string(value) + " does not fit its field");
  }
  return static_cast<Field>(value);
}

// The cell at index i, or a run-time failure when i lies outside the grid.
inline CellRecord& cell_at(RouteModel& model, std::int64_t i) {
  if (i < 0 || i >= static_cast<std::int64_t>(model.cells.size())) {
    throw RuntimeFailure(model.cells.empty() ? "no cell grid: the line length was not read"
                                             : "cell " + std::to_string(i) + " outside the grid");
  }
  return model.cells[static_cast<std::size_t>(i)];
}

// The two-value minimum: y when x > y, otherwise x.
template <typename X, typename Y>
constexpr auto minimo(X x, Y y) {
  return x > y ? static_cast<std::common_type_t<X, Y>>(y)
               : static_cast<std::common_type_t<X, Y>>(x);
}

}  // namespace borgo::compiler
