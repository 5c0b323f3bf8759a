#include "tools/shared/cell_kinds.hpp"

#include "compiler/numeric.hpp"
#include "compiler/route_model.hpp"

namespace borgo::tools {
namespace {

struct KindWords {
  std::uint8_t kind;
  std::string_view name;
  std::string_view key;
};

constexpr KindWords kKinds[] = {
    {compiler::kEmpty, "empty cell", "empty"},
    {compiler::kSignal, "signal", "signal"},
    {compiler::kSlowDownEnd, "slow-down end", "slow_down_end"},
    {compiler::kSlowDownStart, "slow-down start", "slow_down_start"},
    {compiler::kWarningBoard, "slow-down warning board", "warning_board"},
    {compiler::kBeforeBoard, "cell before a warning board", "before_board"},
    {compiler::kSpeedIndicators, "pair of speed indicators", "speed_indicators"},
    {compiler::kStationStop, "station stop mark", "station_stop"},
    {compiler::kMountainMarker, "montagna marker", "montagna_marker"},
    {compiler::kCodePoint, "code point", "code_point"},
    {compiler::kCodePointNoValue, "code point without a value", "code_point_no_value"},
    {compiler::kSign, "sign", "sign"},
};

const KindWords* find(std::uint8_t kind) {
  for (const KindWords& k : kKinds) {
    if (k.kind == kind) return &k;
  }
  return nullptr;
}

}  // namespace

std::string kind_name(std::uint8_t kind) {
  const KindWords* k = find(kind);
  return k != nullptr ? std::string(k->name) : "unknown kind " + std::to_string(kind);
}

std::string kind_key(std::uint8_t kind) {
  const KindWords* k = find(kind);
  return k != nullptr ? std::string(k->key) : "kind_" + std::to_string(kind);
}

std::string cell_range(std::int64_t cell) {
  const std::int64_t first = compiler::cell_first_metre(cell);
  return "cell " + std::to_string(cell) + " (" + std::to_string(first) + ".." +
         std::to_string(first + 50) + " m)";
}

}  // namespace borgo::tools
