// The train description: cars, braked mass, clock and sand; the speed and
// adhesion profiles; stations with their zones and marks; signals,
// slow-downs and code points.
#include "compiler/train_reader.hpp"

#include <array>
#include <string>
#include <utility>

#include "compiler/error_catalog.hpp"
#include "compiler/field_reader.hpp"
#include "compiler/numeric.hpp"
#include "compiler/placement.hpp"
#include "compiler/reader_support.hpp"
#include "compiler/record_roles.hpp"

namespace borgo::compiler::detail {
namespace {

constexpr int kStationGridMargin = 800;
constexpr std::int32_t kStationSpacing = 350;
constexpr std::int64_t kZoneEndPastPosition = 150;  // the zone of types 5 and 6
constexpr double kExtraZoneEnd = 50.0;
constexpr std::int64_t kShortestZoneKeepingColumn5 = 600;

using Station = StationItem<ItemRecord>;

class TrainReader : public DescriptionReader {
 public:
  TrainReader(RouteModel& model, std::string_view bytes, std::int32_t sign_slot,
              CompileReport& report)
      : DescriptionReader(model, Document::kTrainDescription, bytes, report),
        sign_slot_(sign_slot) {}

  void run();

 private:
  Flow braked_mass_row(std::string_view key);
  Flow cars_row(std::string_view key);
  Flow speed_row(std::string_view key);
  Flow adhesion_row(std::string_view key);
  Flow clock_row(std::string_view key);
  Flow sand_row(std::string_view key);
  Flow signal_row(std::string_view key);
  Flow slow_down_row(std::string_view key);
  Flow code_point_row(std::string_view key);
  Flow station_row(std::string_view key);
  void complete_profiles();
  void test_progressives();

  // The steps of a station row.
  Flow read_station(Station station, std::int64_t& zone);
  void place_zone(Station station, std::int64_t zone);
  Flow mark_station(std::int32_t s, Station station);
  Flow take_station_slot(std::int32_t s, Station station);

  static const std::array<RowRule<TrainReader>, 10> kBodyRows;

  const std::int32_t sign_slot_;

  std::int32_t station_ = kFirstStationSlot;
  CellProfile speed_{&CellRecord::speed_code, pack_speed_code, true};
  CellProfile adhesion_{&CellRecord::adhesion, pack_adhesion, false};
  std::int64_t last_speed_position_ = -1;
  std::int64_t last_adhesion_position_ = -1;
};

// Every rule whose words the key field holds applies, in this order.
constexpr std::array<RowRule<TrainReader>, 10> TrainReader::kBodyRows{{
    {.key = &format::kBrakedMassKey, .read = &TrainReader::braked_mass_row},
    {.key = &format::kCarsKey, .read = &TrainReader::cars_row},
    {.key = &format::kSpeedKey, .read = &TrainReader::speed_row},
    {.key = &format::kAdhesionKey, .read = &TrainReader::adhesion_row},
    {.key = &format::kClockKey, .read = &TrainReader::clock_row},
    {.key = &format::kSandKey, .read = &TrainReader::sand_row},
    {.key = &format::kSignalKey, .read = &TrainReader::signal_row},
    {.key = &format::kSlowDownKey, .read = &TrainReader::slow_down_row},
    {.key = &format::kCodePointKey, .read = &TrainReader::code_point_row},
    {.key = &format::kStationKey, .read = &TrainReader::station_row},
}};

void TrainReader::run() {
  static_assert(format::tests_keys_in_order(kBodyRows, format::kTrainBodyKeys),
                "the rows are tested in the format's order");
  // The first field is read before the end is looked for, as in the line
  // description: an empty document is a run-time failure, while one without
  // the heading ends here and its body finds the end at once.
  do {
    const std::string_view field = reader_.read_text();
    if (contains_ignoring_case(field, format::kGeneralHeading)) break;
  } while (!reader_.at_end());
  std::string_view key;
  bool previous_ended_at_comma = false;
  while (next_body_key(cursor_, report_, key)) {
    bool matched = false;
    const Flow flow = apply_row_rules(*this, kBodyRows, key, matched);
    if (flow == Flow::kReturn) return;
    if (flow == Flow::kEndBody) break;
    if (matched) {
      previous_ended_at_comma = reader_.last_number_ended_at_comma();
    } else {
      warn_unmatched_key(report_, cursor_, key, previous_ended_at_comma);
      previous_ended_at_comma = false;
    }
  }
  complete_profiles();
  test_progressives();
}

Flow TrainReader::braked_mass_row(std::string_view) {
  TrainAndLengthItem(model_.items[kTrainAndLength]).braked_mass() = reader_.read_i32();
  return Flow::kContinue;
}

Flow TrainReader::cars_row(std::string_view) {
  TrainAndLengthItem(model_.items[kTrainAndLength]).cars() = reader_.read_i32();
  return Flow::kContinue;
}

Flow TrainReader::speed_row(std::string_view) {
  return profile_row(speed_, "speed row", "speed", last_speed_position_);
}

Flow TrainReader::adhesion_row(std::string_view) {
  return profile_row(adhesion_, "adhesion row", "adhesion", last_adhesion_position_);
}

Flow TrainReader::clock_row(std::string_view) {
  const TrainItem train(model_.items[kTrainRecord]);
  train.clock_hours() = reader_.read_i16();
  train.clock_minutes() = reader_.read_i16();
  train.clock_seconds() = reader_.read_i16();
  return Flow::kContinue;
}

Flow TrainReader::sand_row(std::string_view) {
  TrainItem(model_.items[kTrainRecord]).sand() = reader_.read_i16();
  return Flow::kContinue;
}

Flow TrainReader::signal_row(std::string_view) {
  SignalRow row;
  row.posizione = reader_.read_i32();
  row.sx = reader_.read_i32();
  row.s1 = reader_.read_i32();
  row.s2 = reader_.read_i32();
  row.s3 = reader_.read_i32();
  row.rapp = reader_.read_i32();
  row.dx = reader_.read_i32();
  row.d1 = reader_.read_i32();
  row.d2 = reader_.read_i32();
  row.d3 = reader_.read_i32();
  row.tempo = reader_.read_i32();
  note_placed(PlacedRow::Kind::kSignal, row.posizione);
  if (beyond_grid(model_, row.posizione, 100)) return beyond_grid_at(row.posizione, 100);
  memo_segnale(model_, row, &report_.conflict);
  return placement_result("signal at " + std::to_string(row.posizione) + " m");
}

Flow TrainReader::slow_down_row(std::string_view) {
  SlowDownRow row;
  row.posizione = reader_.read_i32();
  row.v = reader_.read_i32();
  row.l = reader_.read_i32();
  row.f_tt = reader_.read_i32();
  row.f_ta = reader_.read_i32();
  row.d_v = reader_.read_i32();
  note_placed(PlacedRow::Kind::kSlowDown, row.posizione, std::int64_t{row.posizione} + row.l);
  if (beyond_grid(model_, row.posizione, 100)) return beyond_grid_at(row.posizione, 100);
  memo_rallentamento(model_, row, &report_.conflict);
  report_.slow_down_rows[cell_index(row.posizione)] = cursor_.spot();
  return placement_result("slow-down at " + std::to_string(row.posizione) + " m, " +
                          std::to_string(row.l) + " m long");
}

Flow TrainReader::code_point_row(std::string_view) {
  const std::int32_t p = reader_.read_i32();
  const std::int32_t w = reader_.read_i32();
  note_placed(PlacedRow::Kind::kCodePoint, p);
  if (beyond_grid(model_, p, 100)) return beyond_grid_at(p, 100);
  if (p < 0) return negative("code point", p);
  const std::int32_t c = rnd(p / 50.0);
  CellRecord& cell = cell_at(model_, c);
  if (!is_free(cell)) {
    report_.conflict = CellConflict{c, cell.kind};
    return fail(error::kCodePointCellTaken, "code point at " + std::to_string(p) + " m");
  }
  if (w < 1) {
    cell.kind = kCodePointNoValue;
  } else {
    cell.kind = kCodePoint;
    code_value(cell) = keep_low_bits<std::int16_t>(w);
  }
  return Flow::kContinue;
}

Flow TrainReader::station_row(std::string_view) {
  const std::int32_t s = station_;
  const Station station(model_.items[static_cast<std::size_t>(s)]);
  std::int64_t zone = 0;
  if (const Flow flow = read_station(station, zone); flow != Flow::kContinue) return flow;
  place_zone(station, zone);
  if (s == kFirstStationSlot) {  // the first station keeps neither
    station.extra_50m() = 0;
    station.column5() = 0;
  }
  if (const Flow flow = mark_station(s, station); flow != Flow::kContinue) return flow;
  return take_station_slot(s, station);
}

// The row's columns into the station's record; the zone length is not stored.
Flow TrainReader::read_station(Station station, std::int64_t& zone) {
  station.position() = reader_.read_i32();
  const std::int64_t p = station.position();
  note_placed(PlacedRow::Kind::kStation, p);
  if (beyond_grid(model_, p, kStationGridMargin)) return beyond_grid_at(p, kStationGridMargin);
  if (p < 0) return negative("station", p);
  if (p % 50 != 0) {
    return fail(error::kStationOffGrid,
                "station position " + std::to_string(p) + " is not a multiple of 50");
  }
  station.type() = reader_.read_u8();
  zone = reader_.read_i32();
  if (zone % 100 != 0) {
    return fail(error::kStationZoneLength,
                "station zone length " + std::to_string(zone) + " is not a multiple of 100");
  }
  station.column4() = reader_.read_u8();
  station.column5() = reader_.read_u8();
  station.extra_50m() = reader_.read_u8();
  station.column7() = reader_.read_i16();
  station.column8() = reader_.read_i16();
  station.column9() = reader_.read_u8();
  station.column10() = reader_.read_i16();
  station.column11() = reader_.read_i16();
  station.column12() = reader_.read_i16();
  station.column13() = reader_.read_u8();
  const std::int64_t hours = reader_.read_i32();
  const std::int64_t minutes = reader_.read_i32();
  const std::int64_t seconds = reader_.read_i32();
  station.timetable() = pack_timetable(hours, minutes, seconds);
  station.name() = std::string(reader_.read_text());
  return Flow::kContinue;
}

// The zone around the position, shaped by the station's type.
void TrainReader::place_zone(Station station, std::int64_t zone) {
  const std::int64_t p = station.position();
  switch (zone_shape(station.type())) {
    case ZoneShape::kEndsPast:
      station.zone_end() = checked_narrow<std::int32_t>(p + kZoneEndPastPosition);
      station.zone_start() = checked_narrow<std::int32_t>(p - zone);
      station.extra_50m() = 0;
      break;
    case ZoneShape::kBothSides:
      station.zone_start() = checked_narrow<std::int32_t>(p - zone);
      station.zone_end() = checked_narrow<std::int32_t>(p + zone);
      station.extra_50m() = 0;
      break;
    case ZoneShape::kCentred: {
      const double half = static_cast<double>(zone) / 2.0;
      station.zone_start() = rnd(static_cast<double>(p) - half);
      station.zone_end() = station.extra_50m() != 0
                               ? rnd(static_cast<double>(p) + half + kExtraZoneEnd)
                               : rnd(static_cast<double>(p) + half);
      break;
    }
  }
  if (zone < kShortestZoneKeepingColumn5) station.column5() = 0;
}

// The approach marks and the stop mark, counted back from the zone's end;
// the stop mark goes on whatever the cell holds.
Flow TrainReader::mark_station(std::int32_t s, Station station) {
  const std::uint8_t type = station.type();
  const double end_cells = station.zone_end() / 50.0;
  if (has_approach_marks(type)) {
    for (int n = 1; n <= kStationApproachMarks; ++n) {
      if (end_cells - n - 1 > 1) {
        cell_at(model_, rnd(end_cells - n - 1)).approach_mark = station_approach_mark(n);
      }
    }
  }
  if (!has_stop_mark(type)) return Flow::kContinue;
  if (!(end_cells - 1 > 1)) {
    return fail(error::kStationZoneTooEarly,
                "station \"" + station.name() + "\" has its zone end at " +
                    std::to_string(station.zone_end()) +
                    " m, too close to the start of the line for its stop mark");
  }
  CellRecord& stop = cell_at(model_, rnd(end_cells - 1));
  stop.kind = kStationStop;
  stop_station_item(stop) = keep_low_bits<std::int16_t>(s);
  return Flow::kContinue;
}

// The spacing from the previous station's zone, then the item of the next
// station, which must stay below the signs'.
Flow TrainReader::take_station_slot(std::int32_t s, Station station) {
  if (s > kFirstStationSlot) {
    const Station previous(model_.items[static_cast<std::size_t>(s - 1)]);
    if (std::int64_t{station.zone_start()} - kStationSpacing < previous.zone_end()) {
      return fail(error::kStationsTooClose,
                  "station \"" + station.name() + "\" zone starts at " +
                      std::to_string(station.zone_start()) +
                      " m, less than 350 m after the previous zone's end at " +
                      std::to_string(previous.zone_end()) + " m");
    }
  }
  ++station_;
  if (station_meets_signs(station_, sign_slot_)) {
    return fail(error::kStationsMeetSigns, "station " + std::to_string(s) +
                                               " reaches the items taken by the " +
                                               std::to_string(signs_placed(sign_slot_)) + " signs");
  }
  return Flow::kContinue;
}

void TrainReader::complete_profiles() {
  speed_.complete(model_);
  adhesion_.complete(model_);
}

void TrainReader::test_progressives() {
  for (int index : {kProgressiveFar, kProgressiveMid, kProgressiveNear}) {
    const ProgressiveItem change(std::as_const(model_.items[static_cast<std::size_t>(index)]));
    if (change.position() % 50 != 0 || change.value() % 50 != 0) {
      model_.error_number = error::kProgressiveOffGrid;
      // Where the first off-grid row was read; the ordering keeps every row's values.
      report_.error_at.reset();
      for (const auto& row : report_.off_grid_progressives) {
        if (row) {
          report_.error_at = row;
          break;
        }
      }
      report_.error_detail = "kilometre-progressive change (" + std::to_string(change.position()) +
                             ", " + std::to_string(change.value()) + ") is not on multiples of 50";
    }
  }
}

}  // namespace

void read_train_description(RouteModel& model, std::string_view bytes, std::int32_t sign_slot,
                            CompileReport& report) {
  TrainReader reader(model, bytes, sign_slot, report);
  try {
    reader.run();
  } catch (...) {
    report.error_at = reader.spot();  // where a run-time failure stopped the reading
    throw;
  }
}

}  // namespace borgo::compiler::detail
