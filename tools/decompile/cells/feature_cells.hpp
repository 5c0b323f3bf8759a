#pragma once

// What the steps that rebuild the cells' features share: which cell each
// stop mark covers and what shows through it, and the train rows found so
// far with the order they must be read in.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "compiler/placement.hpp"
#include "tools/decompile/compiled_scenario.hpp"
#include "tools/decompile/description_rows.hpp"
#include "tools/decompile/rows/station_rows.hpp"

namespace borgo::tools::decompile {

// What a stop mark (kind 10, value1 = its station) leaves of the feature
// that stood in its cell before: value2 to value4 and the signal time.
struct Leftover {
  std::int16_t value2 = 0;
  std::int16_t value3 = 0;
  std::int16_t value4 = 0;
  std::uint8_t signal_time = 0;
  bool none() const { return value2 == 0 && value3 == 0 && value4 == 0 && signal_time == 0; }
};

// The feature rebuilt under a stop mark.
enum class Hidden : std::uint8_t { kNone, kSign, kSlowDownPart, kSignal, kIndicator };

// A train row, with what it must be read after.
struct TrainNode {
  TrainRow row;
  int rank_group = 0;  // the package's order: stations, slow-downs, signals, code points
  std::int64_t rank = 0;
  std::vector<std::size_t> after;
};

// A signal, shown or under a stop mark, and the approach marks it writes.
struct SignalCell {
  std::int32_t cell = 0;
  std::array<std::int16_t, 4> values{};  // value1 .. value4
  std::uint8_t signal_time = 0;
  bool hidden = false;
  std::optional<std::uint8_t> fixed_base;  // the mark base a hidden signal was made for
  std::uint8_t base = 0;                   // approach mark k is base + k
  std::size_t node = 0;
};

struct FeatureCells {
  FeatureCells(const CompiledScenario& scenario, const std::vector<RecoveredStation>& recovered)
      : s(scenario), stations(recovered) {}

  const CompiledScenario& s;
  const std::vector<RecoveredStation>& stations;
  std::vector<std::size_t> station_nodes;  // by station, item 1 first
  std::vector<std::int32_t> stop_station;  // by cell: the station item whose stop mark it is, or 0
  std::vector<Hidden> hidden;              // by cell
  std::vector<TrainNode> nodes;
  std::vector<SignalCell> signals;
  std::vector<compiler::IndicatorRow> indicators;

  const compiler::CellRecord& cell(std::int32_t i) const {
    return s.cells[static_cast<std::size_t>(i)];
  }
  bool is_stop(std::int32_t i) const {
    return i >= 0 && i < static_cast<std::int32_t>(stop_station.size()) &&
           stop_station[static_cast<std::size_t>(i)] != 0;
  }
  // A stop mark whose cell has no feature rebuilt under it yet.
  bool can_hide(std::int32_t i) const {
    return is_stop(i) && hidden[static_cast<std::size_t>(i)] == Hidden::kNone;
  }
  Leftover leftover(std::int32_t i) const {
    const compiler::CellRecord& c = cell(i);
    return {c.value2, c.value3, c.value4, c.signal_time};
  }
  // The row of node `feature` stood in cell `i`, which a stop mark now covers.
  void hide(std::int32_t i, Hidden what, std::size_t feature) {
    hidden[static_cast<std::size_t>(i)] = what;
    const std::size_t station =
        station_nodes[static_cast<std::size_t>(stop_station[static_cast<std::size_t>(i)] - 1)];
    nodes[station].after.push_back(feature);
  }
  // The row is made in its node: moving a TrainRow whose station name is
  // not the active member makes GCC 12 warn of it being uninitialized.
  template <typename Row>
  std::size_t add_node(Row row, int rank_group, std::int64_t rank) {
    TrainNode& node = nodes.emplace_back();
    node.row.template emplace<Row>(std::move(row));
    node.rank_group = rank_group;
    node.rank = rank;
    return nodes.size() - 1;
  }
};

// The slow-downs: each start with its end, its warning board and its four
// count-down cells, shown or under stop marks.
void recover_slow_downs(FeatureCells& f, std::vector<Unrecovered>& unrecovered);

// Chooses each signal's approach marks and the order of the rows that write
// marks, so that the last write to every cell leaves the file's mark; makes
// signals under stop marks where the marks call for them. Then gives every
// signal's node its row.
void order_approach_marks(FeatureCells& f);

// The nodes in the package's order (stations, slow-downs, signals, code
// points, each by its place) wherever what they must be read after allows.
// Fewer than all when that contradicts itself: those of a cycle, and those
// after them, are left out.
std::vector<std::size_t> reading_order(std::vector<TrainNode>& nodes);

// The position of a feature in cell c (rnd(p / 50 + 1) = c).
constexpr std::int32_t feature_position(std::int32_t c) { return 50 * (c - 1); }

}  // namespace borgo::tools::decompile
