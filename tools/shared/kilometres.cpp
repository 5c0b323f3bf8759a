#include "tools/shared/kilometres.hpp"

#include <cstdio>

namespace borgo::tools {

std::string kilometres(std::int64_t metres) {
  const std::uint64_t magnitude = metres < 0 ? static_cast<std::uint64_t>(-(metres + 1)) + 1
                                             : static_cast<std::uint64_t>(metres);
  char text[32];
  std::snprintf(text, sizeof text, "%s%llu.%03llu", metres < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 1000),
                static_cast<unsigned long long>(magnitude % 1000));
  return text;
}

std::int64_t kilometre_post_before(std::int64_t metres) {
  const std::int64_t whole = metres / 1000 * 1000;
  return whole > metres ? whole - 1000 : whole;
}

}  // namespace borgo::tools
