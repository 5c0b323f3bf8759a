#include "tools/decompile/rows/station_rows.hpp"

#include <limits>

#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"

namespace borgo::tools::decompile {
namespace {

using namespace compiler;

constexpr std::int64_t kStationGridMargin = 800;
constexpr std::int64_t kStationSpacing = 350;
constexpr std::int64_t kEndsPastPosition = 150;
constexpr std::int64_t kShortestZoneKeepingColumn5 = 600;

bool is_station(const ItemRecord& item) {
  ItemRecord numbers = item;
  numbers.text.clear();
  return !(numbers == ItemRecord{});
}

std::string names(const std::vector<std::int32_t>& items) {
  std::string out;
  for (const std::int32_t item : items) out += (out.empty() ? "" : ", ") + std::to_string(item);
  return out;
}

// The zone length and column 6 from the zone the type shaped.
void recover_zone(const CompiledScenario& s, int index, StationRow& row, std::int32_t& column6,
                  bool& column6_lost) {
  const StationItem station(std::as_const(s.items[static_cast<std::size_t>(index)]));
  const std::int64_t p = station.position();
  const std::int64_t start = station.zone_start();
  const std::int64_t end = station.zone_end();
  std::int64_t zone = 0;
  column6_lost = false;
  switch (zone_shape(station.type())) {
    case ZoneShape::kEndsPast:
      zone = p - start;
      if (end != p + kEndsPastPosition) {
        s.item_misfit(index, ItemField::kEnd,
                      "a station of type " + std::to_string(station.type()) +
                          " ends 150 m past its position, at " + std::to_string(p + 150));
      }
      column6_lost = true;
      break;
    case ZoneShape::kBothSides:
      zone = p - start;
      if (end != p + zone) {
        s.item_misfit(index, ItemField::kEnd,
                      "a station of type " + std::to_string(station.type()) +
                          " ends as far past its position as it starts before it, at " +
                          std::to_string(p + zone));
      }
      column6_lost = true;
      break;
    case ZoneShape::kCentred: {
      const std::int64_t half = p - start;
      zone = 2 * half;
      const std::int64_t extra = end - (p + half);
      if (extra != 0 && extra != 50) {
        s.item_misfit(index, ItemField::kEnd,
                      "the zone ends " + std::to_string(extra) +
                          " m past where its half length puts it; 0 or 50 (column 6) only");
      }
      if (index == kFirstStationSlot) {
        column6 = extra != 0 ? 1 : 0;
      } else if ((extra != 0) != (station.extra_50m() != 0)) {
        s.item_misfit(index, ItemField::kByte3,
                      "column 6 is " + std::to_string(station.extra_50m()) +
                          ", but the zone ends " + std::to_string(extra) +
                          " m past its half length");
      }
      break;
    }
  }
  if (zone % 100 != 0 || zone < std::numeric_limits<std::int32_t>::min() ||
      zone > std::numeric_limits<std::int32_t>::max()) {
    s.item_misfit(index, ItemField::kStart,
                  "the zone gives a length of " + std::to_string(zone) +
                      " m, and a station's zone length is a 32-bit multiple of 100");
  }
  row.zone = static_cast<std::int32_t>(zone);
}

}  // namespace

std::optional<std::string> text_field(std::string_view text) {
  const bool needs_quotes =
      text.find_first_of(",\r\n") != std::string_view::npos ||
      (!text.empty() && (text.front() == ' ' || text.back() == ' ' || text.front() == '"'));
  if (!needs_quotes) return std::string(text);
  if (text.find('"') != std::string_view::npos) return std::nullopt;
  return "\"" + std::string(text) + "\"";
}

std::vector<RecoveredStation> recover_stations(const CompiledScenario& s,
                                               std::vector<Unrecovered>& unrecovered) {
  std::vector<RecoveredStation> stations;
  std::vector<std::int32_t> column5_lost;
  std::vector<std::int32_t> column6_lost;
  int index = kFirstStationSlot;
  for (; index <= kFirstSignSlot && is_station(s.items[static_cast<std::size_t>(index)]); ++index) {
    const StationItem station(std::as_const(s.items[static_cast<std::size_t>(index)]));
    RecoveredStation out;
    out.item = index;
    StationRow& row = out.row;
    row.position = station.position();
    row.type = station.type();
    const std::int64_t p = station.position();
    if (p < 0 || p % 50 != 0) {
      s.item_misfit(
          index, ItemField::kPosition,
          "a station stands at 0 m or later, on a multiple of 50, not at " + std::to_string(p));
    }
    if (static_cast<double>(s.cell_last) < static_cast<double>(p + kStationGridMargin) / 50.0) {
      s.item_misfit(index, ItemField::kPosition,
                    "a station at " + std::to_string(p) +
                        " m lies within 800 m of the grid's end, where the compile stops reading");
    }
    std::int32_t column6 = station.extra_50m();
    bool lost6 = false;
    recover_zone(s, index, row, column6, lost6);
    if (lost6) column6 = 0;
    if (index == kFirstStationSlot && station.extra_50m() != 0) {
      s.item_misfit(index, ItemField::kByte3,
                    "the first station keeps no column 6, but it holds " +
                        std::to_string(station.extra_50m()));
    }
    if (lost6 && station.extra_50m() != 0) {
      s.item_misfit(index, ItemField::kByte3,
                    "a station of type " + std::to_string(station.type()) +
                        " keeps no column 6, but it holds " + std::to_string(station.extra_50m()));
    }
    std::int32_t column5 = station.column5();
    if (row.zone < kShortestZoneKeepingColumn5 || index == kFirstStationSlot) {
      if (column5 != 0) {
        s.item_misfit(index, ItemField::kByte4,
                      "column 5 is kept only from the second station on, with a zone of 600 m or "
                      "more, but it holds " +
                          std::to_string(column5));
      }
      column5_lost.push_back(index);
    }
    if (lost6) column6_lost.push_back(index);
    row.columns4to13 = {station.column4(),
                        column5,
                        column6,
                        station.column7(),
                        station.column8(),
                        station.column9(),
                        station.column10(),
                        station.column11(),
                        station.column12(),
                        station.column13()};
    const std::int64_t t = station.timetable();
    row.hours = timetable_hours(t);
    row.minutes = timetable_minutes(t);
    row.seconds = timetable_seconds(t);
    row.name = station.name();
    if (!text_field(row.name)) {
      s.item_misfit(index, ItemField::kText,
                    "the name needs double quotes and holds one: no text field reads it");
    }

    // The marks the row leaves, counted back from the zone's end.
    const double end_cells = station.zone_end() / 50.0;
    if (has_stop_mark(station.type())) {
      if (!(end_cells - 1 > 1)) {
        s.item_misfit(index, ItemField::kEnd,
                      "the zone ends at " + std::to_string(station.zone_end()) +
                          " m, too close to the line's start for the stop mark: the compile stops "
                          "reading there");
      }
      out.stop_cell = rnd(end_cells - 1);
      if (*out.stop_cell > s.cell_last) {
        s.item_misfit(index, ItemField::kEnd,
                      "the zone ends at " + std::to_string(station.zone_end()) +
                          " m, so far that its stop mark lies past the grid");
      }
    }
    // Before the stop mark, so inside the grid too.
    if (has_approach_marks(station.type())) {
      for (int n = 1; n <= kStationApproachMarks; ++n) {
        if (end_cells - n - 1 > 1) {
          out.approach_marks.emplace_back(rnd(end_cells - n - 1), station_approach_mark(n));
        }
      }
    }
    if (index > kFirstStationSlot && std::int64_t{station.zone_start()} - kStationSpacing <
                                         s.items[static_cast<std::size_t>(index - 1)].end) {
      s.item_misfit(index, ItemField::kStart,
                    "the zone starts less than 350 m after the previous station's zone ends: the "
                    "compile stops reading there");
    }
    stations.push_back(std::move(out));
  }
  for (; index <= kFirstSignSlot; ++index) {
    if (is_station(s.items[static_cast<std::size_t>(index)])) {
      s.item_misfit(index, ItemField::kKind,
                    "a station's item after an item that is none: stations take items 1, 2, ... "
                    "in turn");
    }
  }
  if (!column5_lost.empty()) {
    unrecovered.push_back({"station column 5",
                           "the compile keeps no column 5 for the first station nor for a zone "
                           "shorter than 600 m; 0 is written for the stations of items " +
                               names(column5_lost)});
  }
  if (!column6_lost.empty()) {
    unrecovered.push_back({"station column 6",
                           "the compile keeps no column 6 for stations of types 5 to 8; 0 is "
                           "written for the stations of items " +
                               names(column6_lost)});
  }
  return stations;
}

}  // namespace borgo::tools::decompile
