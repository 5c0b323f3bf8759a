#include "tools/shared/edit_distance.hpp"

#include <algorithm>
#include <utility>
#include <vector>

namespace borgo::tools {
namespace {

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::size_t edit_distance(std::string_view a, std::string_view b) {
  a = a.substr(0, kEditDistanceLongest);
  b = b.substr(0, kEditDistanceLongest);
  std::vector<std::size_t> previous(b.size() + 1);
  std::vector<std::size_t> current(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t replace = folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1;
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + replace});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

}  // namespace borgo::tools
