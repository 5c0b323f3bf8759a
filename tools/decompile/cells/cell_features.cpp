#include "tools/decompile/cells/cell_features.hpp"

#include <algorithm>
#include <string>
#include <tuple>

#include "compiler/record_roles.hpp"
#include "tools/decompile/cells/code_pass_inverse.hpp"
#include "tools/decompile/cells/feature_cells.hpp"

namespace borgo::tools::decompile {
namespace {

using namespace compiler;

constexpr std::int32_t kCodeValueWrap = 65536;  // a value of 16 bits 0 or below, written above 0

std::string positions(const std::vector<std::int32_t>& cells, std::int32_t (*of)(std::int32_t)) {
  std::string out;
  for (const std::int32_t c : cells) out += (out.empty() ? "" : ", ") + std::to_string(of(c));
  return out;
}
std::int32_t code_point_position(std::int32_t c) { return 50 * c; }

// The fields a cell's kind leaves as the free cell had them must be 0.
void check_kind_fields(const CompiledScenario& s) {
  for (std::int32_t i = 0; i <= s.cell_last; ++i) {
    const CellRecord& c = s.cells[static_cast<std::size_t>(i)];
    // Which of value1 .. value4 and signal_time the kind writes.
    std::array<bool, 5> written{};
    switch (c.kind) {
      case kEmpty:
      case kMountainMarker:
      case kCodePointNoValue:
        break;
      case kSignal:
        written = {true, true, true, true, true};
        break;
      case kSlowDownEnd:
      case kSlowDownStart:
        written = {true, true, true, false, false};
        break;
      case kWarningBoard:
        written = {true, true, false, false, false};
        break;
      case kBeforeBoard:
        written = {true, true, false, false, false};
        if (board_countdown(c) < 1 || board_countdown(c) > 4) {
          s.cell_misfit(
              i, CellField::kValue1,
              "a count-down cell holds 1 to 4, not " + std::to_string(board_countdown(c)));
        }
        if (board_countdown_d_v(c) != 0 && board_countdown_d_v(c) != board_countdown(c)) {
          s.cell_misfit(i, CellField::kValue2, "a count-down cell holds its count here, or 0");
        }
        break;
      case kSpeedIndicators:
        written = {true, true, true, true, false};
        break;
      case kStationStop:
        written = {true, true, true, true, true};  // what stood there shows through
        break;
      case kCodePoint:
      case kSign:
        written = {true, false, false, false, false};
        break;
      default:
        s.cell_misfit(i, CellField::kKind, "no compile writes the kind " + std::to_string(c.kind));
    }
    const std::array<std::int32_t, 5> values{c.value1, c.value2, c.value3, c.value4, c.signal_time};
    constexpr std::array<CellField, 5> kFields{CellField::kValue1, CellField::kValue2,
                                               CellField::kValue3, CellField::kValue4,
                                               CellField::kSignalTime};
    for (std::size_t k = 0; k < 5; ++k) {
      if (!written[k] && values[k] != 0) {
        s.cell_misfit(i, kFields[k],
                      "holds " + std::to_string(values[k]) + ", which a cell of kind " +
                          std::to_string(c.kind) + " never gets");
      }
    }
  }
}

// A feature row may stand in cells 1 to cell_last - 1: a position closer
// to the grid's end stops the reading.
void check_feature_cell(const CompiledScenario& s, std::int32_t c, std::int32_t first,
                        const char* what) {
  if (c < first || c > s.cell_last - 1) {
    s.cell_misfit(c, CellField::kKind,
                  std::string(what) + " stands in cells " + std::to_string(first) + " to " +
                      std::to_string(s.cell_last - 1) + " only");
  }
}

// One side's speeds from their packing left * 20 + right / 5: plain speeds,
// multiples of 5, where they give the value; the right side 0 or equal to
// the left, as the package writes them.
std::pair<std::int32_t, std::int32_t> indicator_sides(std::int16_t v) {
  const auto fits = [v](std::int32_t left, std::int32_t right) {
    return pack_indicator_speeds(left, right) == v;
  };
  const bool clean_left_alone = v % 20 == 0 && (v / 20) % 5 == 0;
  if (clean_left_alone) return {v / 20, 0};
  const std::int32_t same = static_cast<std::int32_t>(v * 5 / 101);
  for (const std::int32_t l : {same - 1, same, same + 1}) {
    if (l % 5 == 0 && fits(l, l)) return {l, l};
  }
  if (v % 20 == 0) return {v / 20, 0};
  return {indicator_speed_left(v), indicator_speed_right(v)};
}

IndicatorRow indicator_row(std::int32_t c, const std::array<std::int16_t, 4>& values) {
  IndicatorRow row;
  row.posizione = feature_position(c);
  std::tie(row.vas, row.vad) = indicator_sides(values[0]);
  std::tie(row.vbs, row.vbd) = indicator_sides(values[1]);
  std::tie(row.vcs, row.vcd) = indicator_sides(values[2]);
  row.strisces = indicator_stripes_left(values[3]);
  row.strisced = indicator_stripes_right(values[3]);
  return row;
}

class CellRebuild {
 public:
  CellRebuild(const CompiledScenario& s, const std::vector<RecoveredStation>& stations)
      : s_(s), f_(s, stations) {
    f_.stop_station.assign(s.cells.size(), 0);
    f_.hidden.assign(s.cells.size(), Hidden::kNone);
  }

  void run(LineRows& line, TrainRows& train, std::vector<Unrecovered>& unrecovered) {
    check_kind_fields(s_);
    stop_marks();
    recover_slow_downs(f_, unrecovered);
    signs(line, unrecovered);
    shown_features();
    order_approach_marks(f_);
    hidden_indicators(unrecovered);
    code_points(unrecovered);
    notes(unrecovered);
    std::sort(
        f_.indicators.begin(), f_.indicators.end(),
        [](const IndicatorRow& a, const IndicatorRow& b) { return a.posizione < b.posizione; });
    line.indicators = f_.indicators;
    train.rows = ordered_rows();
  }

 private:
  void stop_marks() {
    for (std::size_t k = 0; k < f_.stations.size(); ++k) {
      const RecoveredStation& station = f_.stations[k];
      const std::size_t node = f_.add_node(station.row, 0, station.item);
      if (k > 0) f_.nodes[node].after.push_back(f_.station_nodes.back());
      f_.station_nodes.push_back(node);
      if (station.stop_cell) {
        f_.stop_station[static_cast<std::size_t>(*station.stop_cell)] = station.item;
      }
    }
    for (const RecoveredStation& station : f_.stations) {
      if (station.stop_cell && f_.cell(*station.stop_cell).kind != kStationStop) {
        s_.cell_misfit(*station.stop_cell, CellField::kKind,
                       "the station of item " + std::to_string(station.item) +
                           " has its stop mark here, and nothing placed later takes its place");
      }
    }
    for (std::int32_t i = 0; i <= s_.cell_last; ++i) {
      if (f_.cell(i).kind != kStationStop) continue;
      const std::int32_t station = f_.stop_station[static_cast<std::size_t>(i)];
      if (station == 0) {
        s_.cell_misfit(i, CellField::kKind, "a stop mark where no station's zone ends");
      }
      if (stop_station_item(f_.cell(i)) != station) {
        s_.cell_misfit(i, CellField::kValue1,
                       "the stop mark names item " + std::to_string(stop_station_item(f_.cell(i))) +
                           ", but the station whose zone ends here is item " +
                           std::to_string(station));
      }
    }
  }

  void signs(LineRows& line, std::vector<Unrecovered>& unrecovered) {
    std::array<std::int32_t, kFirstSignSlot + 1> cell_of_slot;
    cell_of_slot.fill(-1);
    const auto stations = static_cast<std::int32_t>(f_.stations.size());
    for (std::int32_t i = 0; i <= s_.cell_last; ++i) {
      if (f_.cell(i).kind != kSign) continue;
      const std::int32_t slot = sign_item(f_.cell(i));
      if (slot <= stations || slot > kFirstSignSlot) {
        s_.cell_misfit(i, CellField::kValue1,
                       "a sign names item " + std::to_string(slot) + ", which holds no sign");
      }
      if (cell_of_slot[static_cast<std::size_t>(slot)] >= 0) {
        s_.cell_misfit(i, CellField::kValue1, "a second sign names item " + std::to_string(slot));
      }
      check_feature_cell(s_, i, 1, "a sign");
      cell_of_slot[static_cast<std::size_t>(slot)] = i;
    }
    std::int32_t lowest = kFirstSignSlot + 1;
    for (std::int32_t slot = stations + 1; slot <= kFirstSignSlot; ++slot) {
      if (cell_of_slot[static_cast<std::size_t>(slot)] >= 0 ||
          !s_.items[static_cast<std::size_t>(slot)].text.empty()) {
        lowest = std::min(lowest, slot);
      }
    }
    // Signs take items 80, 79, ...: every item down to the lowest was a sign's.
    std::vector<std::int32_t> hidden;
    for (std::int32_t slot = kFirstSignSlot; slot >= lowest; --slot) {
      std::int32_t& c = cell_of_slot[static_cast<std::size_t>(slot)];
      if (c < 0) {
        for (std::int32_t i = 1; i <= s_.cell_last - 1 && c < 0; ++i) {
          if (f_.can_hide(i) && f_.leftover(i).none()) c = i;
        }
        if (c < 0) {
          s_.item_misfit(slot, ItemField::kText,
                         "a sign's item whose sign is in no cell, and no stop mark is left to "
                         "have covered it");
        }
        f_.hidden[static_cast<std::size_t>(c)] = Hidden::kSign;
        hidden.push_back(c);
      }
      const std::string& text = s_.items[static_cast<std::size_t>(slot)].text;
      if (!text_field(text)) {
        s_.item_misfit(slot, ItemField::kText,
                       "the text needs double quotes and holds one: no text field reads it");
      }
      line.signs.push_back({feature_position(c), text});
    }
    // A station's item may not reach the item before the last sign's.
    if (stations > 0 && stations + 1 >= lowest - 1) {
      s_.item_misfit(stations, ItemField::kKind,
                     "the stations reach the items the signs take: the compile stops reading at "
                     "this station");
    }
    if (!hidden.empty()) {
      unrecovered.push_back({"sign positions",
                             "signs whose cells stop marks cover are written at the stop marks "
                             "at " +
                                 positions(hidden, feature_position) + " m"});
    }
  }

  void shown_features() {
    for (std::int32_t i = 0; i <= s_.cell_last; ++i) {
      const CellRecord& c = f_.cell(i);
      if (c.kind == kSpeedIndicators) {
        check_feature_cell(s_, i, 1, "a pair of speed indicators");
        f_.indicators.push_back(indicator_row(i, {c.value1, c.value2, c.value3, c.value4}));
      } else if (c.kind == kSignal) {
        check_feature_cell(s_, i, 2 * kSignalApproachMarks, "a signal");
        add_signal(i, {c.value1, c.value2, c.value3, c.value4}, c.signal_time, false);
      }
    }
    // A time shows only a signal's: under a stop mark too.
    for (std::int32_t i = 0; i <= s_.cell_last; ++i) {
      if (!f_.can_hide(i) || f_.leftover(i).signal_time == 0) continue;
      check_feature_cell(s_, i, 2 * kSignalApproachMarks,
                         "a signal (its time shows under the stop mark)");
      const Leftover left = f_.leftover(i);
      const std::size_t node =
          add_signal(i, {0, left.value2, left.value3, left.value4}, left.signal_time, true);
      f_.hide(i, Hidden::kSignal, node);
    }
  }

  std::size_t add_signal(std::int32_t c, std::array<std::int16_t, 4> values, std::uint8_t time,
                         bool hidden) {
    SignalCell signal;
    signal.cell = c;
    signal.values = values;
    signal.signal_time = time;
    signal.hidden = hidden;
    signal.node = f_.add_node(SignalRow{}, 2, c);
    f_.signals.push_back(signal);
    return signal.node;
  }

  // What else shows under a stop mark (value2 to value4) is rebuilt as a
  // pair of speed indicators, which the line description places first.
  void hidden_indicators(std::vector<Unrecovered>& unrecovered) {
    std::vector<std::int32_t> cells;
    for (std::int32_t i = 0; i <= s_.cell_last; ++i) {
      if (!f_.can_hide(i) || f_.leftover(i).none()) continue;
      check_feature_cell(s_, i, 1, "the feature whose values show under this stop mark");
      const Leftover left = f_.leftover(i);
      f_.indicators.push_back(indicator_row(i, {0, left.value2, left.value3, left.value4}));
      f_.hidden[static_cast<std::size_t>(i)] = Hidden::kIndicator;
      cells.push_back(i);
    }
    if (!cells.empty()) {
      unrecovered.push_back({"features under stop marks",
                             "what a stop mark covered shows only in value2 to value4; speed "
                             "indicators with those values are written at " +
                                 positions(cells, feature_position) + " m, their first speeds 0"});
    }
  }

  void code_points(std::vector<Unrecovered>& unrecovered) {
    const CodePointOrigins origins = find_code_point_origins(s_);
    for (const std::int32_t c : origins.row_cells) {
      if (c > s_.cell_last - 2) {
        s_.cell_misfit(c, CellField::kKind,
                       "a code point this close to the grid's end comes from no row, and the "
                       "code pass places none here");
      }
      const CellRecord& cell = f_.cell(c);
      std::int32_t value = 0;
      if (cell.kind == kCodePoint) {
        value = code_value(cell) >= 1 ? code_value(cell) : code_value(cell) + kCodeValueWrap;
      }
      f_.add_node(CodePointRow{code_point_position(c), value}, 3, c);
    }
    if (!origins.lowered.empty()) {
      unrecovered.push_back({"code values",
                             "the code pass lowers code points in front of signals to 180; their "
                             "rows may have given more, 180 is written at " +
                                 positions(origins.lowered, code_point_position) + " m"});
    }
  }

  void notes(std::vector<Unrecovered>& unrecovered) const {
    std::vector<std::int32_t> untimed;
    std::vector<std::int32_t> hidden;
    for (const SignalCell& signal : f_.signals) {
      const auto& row = std::get<SignalRow>(f_.nodes[signal.node].row);
      if (row.sx != kTimedSignalSx) untimed.push_back(signal.cell);
      if (signal.hidden) hidden.push_back(signal.cell);
    }
    if (!untimed.empty()) {
      unrecovered.push_back(
          {"signal times", "only a signal whose sx is 2 keeps its time; 0 is written for " +
                               std::to_string(untimed.size()) + " signals"});
    }
    if (!hidden.empty()) {
      unrecovered.push_back({"signals under stop marks",
                             "signals whose cells stop marks cover keep no first aspect; s1 and "
                             "d1 0 are written for the signals at " +
                                 positions(hidden, feature_position) + " m"});
    }
  }

  std::vector<TrainRow> ordered_rows() {
    const std::vector<std::size_t> order = reading_order(f_.nodes);
    if (order.size() != f_.nodes.size()) {
      // Name a row that the contradiction leaves unread.
      std::vector<bool> read(f_.nodes.size(), false);
      for (const std::size_t k : order) read[k] = true;
      const auto stuck =
          static_cast<std::size_t>(std::find(read.begin(), read.end(), false) - read.begin());
      const TrainNode& node = f_.nodes[stuck];
      const std::string why =
          "the approach marks and stop marks ask for rows read in an order that contradicts "
          "itself";
      if (node.rank_group == 0) {
        s_.item_misfit(static_cast<int>(node.rank), ItemField::kKind, why,
                       Misfit::Kind::kNotRebuilt);
      }
      s_.cell_misfit(node.rank, CellField::kApproachMark, why, Misfit::Kind::kNotRebuilt);
    }
    std::vector<TrainRow> rows;
    rows.reserve(order.size());
    for (const std::size_t k : order) rows.push_back(f_.nodes[k].row);
    return rows;
  }

  const CompiledScenario& s_;
  FeatureCells f_;
};

}  // namespace

void recover_cell_features(const CompiledScenario& s, const std::vector<RecoveredStation>& stations,
                           LineRows& line, TrainRows& train,
                           std::vector<Unrecovered>& unrecovered) {
  CellRebuild(s, stations).run(line, train, unrecovered);
}

}  // namespace borgo::tools::decompile
