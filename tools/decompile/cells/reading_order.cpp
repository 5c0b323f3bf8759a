#include <algorithm>
#include <queue>
#include <tuple>

#include "tools/decompile/cells/feature_cells.hpp"

namespace borgo::tools::decompile {

std::vector<std::size_t> reading_order(std::vector<TrainNode>& nodes) {
  const std::size_t n = nodes.size();
  std::vector<std::vector<std::size_t>> next(n);
  std::vector<std::size_t> waiting(n, 0);
  for (std::size_t k = 0; k < n; ++k) {
    std::vector<std::size_t>& after = nodes[k].after;
    std::sort(after.begin(), after.end());
    after.erase(std::unique(after.begin(), after.end()), after.end());
    for (const std::size_t before : after) next[before].push_back(k);
    waiting[k] = after.size();
  }
  using Key = std::tuple<int, std::int64_t, std::size_t>;
  std::priority_queue<Key, std::vector<Key>, std::greater<>> ready;
  const auto key = [&](std::size_t k) { return Key{nodes[k].rank_group, nodes[k].rank, k}; };
  for (std::size_t k = 0; k < n; ++k) {
    if (waiting[k] == 0) ready.push(key(k));
  }
  std::vector<std::size_t> order;
  order.reserve(n);
  while (!ready.empty()) {
    const std::size_t k = std::get<2>(ready.top());
    ready.pop();
    order.push_back(k);
    for (const std::size_t later : next[k]) {
      if (--waiting[later] == 0) ready.push(key(later));
    }
  }
  return order;
}

}  // namespace borgo::tools::decompile
