#include "tools/decompile/rows/profile_rows.hpp"

#include <cstddef>

namespace borgo::tools::decompile {

std::vector<ProfileRow> profile_rows(const std::vector<compiler::CellRecord>& cells,
                                     std::uint8_t compiler::CellRecord::*field,
                                     std::int32_t (*value_of)(std::uint8_t code)) {
  std::vector<ProfileRow> rows;
  const auto code = [&](std::size_t i) { return cells[i].*field; };
  const std::size_t last = cells.size() - 1;  // cell_last, 140 at least
  // A row at cell i is at 50 i m: its value holds from cell i on. The last
  // row may stand at cell_last - 2: a position closer to the grid's end
  // stops the reading.
  const std::size_t last_row_cell = last - 2;
  rows.push_back({0, value_of(code(0))});
  for (std::size_t i = 1; i < last_row_cell; ++i) {
    if (code(i) != code(i - 1))
      rows.push_back({static_cast<std::int32_t>(50 * i), value_of(code(i))});
  }
  // Cells last - 2, last - 1 and last: after the rows the profile fills up to
  // last - 3, or one cell past where its rows reached. A row at cell
  // last - 2 reaches it; each further row there fills one more cell with the
  // value before it.
  std::size_t reach = last_row_cell;  // the first cell the rows leave unfilled
  for (std::size_t i = last; i >= last_row_cell; --i) {
    if (code(i) != 0) {
      reach = i + 1;
      break;
    }
  }
  const auto at_last_row = static_cast<std::int32_t>(50 * last_row_cell);
  for (std::size_t i = last_row_cell; i < reach; ++i)
    rows.push_back({at_last_row, value_of(code(i))});
  return rows;
}

}  // namespace borgo::tools::decompile
