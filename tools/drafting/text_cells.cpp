#include "tools/drafting/text_cells.hpp"

#include <cstdio>

namespace borgo::tools::drafting {

std::string left_in(std::string_view text, std::size_t width) {
  std::string cell(text.substr(0, width));
  cell.resize(width, ' ');
  return cell;
}

std::string right_in(std::string_view text, std::size_t width) {
  const std::string_view kept = text.substr(0, width);
  return std::string(width - kept.size(), ' ') + std::string(kept);
}

std::string centred_in(std::string_view text, std::size_t width) {
  const std::string_view kept = text.substr(0, width);
  const std::size_t before = (width - kept.size()) / 2;
  return left_in(std::string(before, ' ') + std::string(kept), width);
}

std::string as_rule(std::string_view cell) {
  std::string rule(cell);
  for (char& c : rule) {
    if (c == ' ') c = '_';
  }
  return rule;
}

std::string clock_time(std::int64_t seconds) {
  constexpr std::int64_t kDay = 24 * 3600;
  const std::int64_t of_day = (seconds % kDay + kDay) % kDay;
  char text[16];
  std::snprintf(text, sizeof text, "%d.%02d", static_cast<int>(of_day / 3600),
                static_cast<int>(of_day / 60 % 60));
  return text;
}

}  // namespace borgo::tools::drafting
