// The train description: cars, braked mass, clock and sand; the speed and
// adhesion profiles; stations with their zones and marks; signals,
// slow-downs and code points.
#include "compiler/train_reader.hpp"

#include <string>

#include "compiler/error_catalog.hpp"
#include "compiler/field_reader.hpp"
#include "compiler/numeric.hpp"
#include "compiler/placement.hpp"
#include "compiler/reader_support.hpp"

namespace borgo::compiler::detail {
namespace {

constexpr int kStationGridMargin = 800;
constexpr std::int32_t kStationSpacing = 350;
constexpr int kFirstTypeWithoutMarks = 25;

class TrainReader : public DescriptionReader {
 public:
  TrainReader(RouteModel& model, std::string_view bytes, std::int32_t sign_slot,
              CompileReport& report)
      : DescriptionReader(model, Document::kTrainDescription, bytes, report),
        sign_slot_(sign_slot) {}

  void run();

 private:
  Flow body_row(std::string_view key);
  Flow speed_row();
  Flow adhesion_row();
  Flow signal_row();
  Flow slow_down_row();
  Flow code_point_row();
  Flow station_row();
  void complete_profiles();
  void test_progressives();

  const std::int32_t sign_slot_;

  std::int32_t station_ = 1;
  std::int32_t speed_fill_ = 0;
  std::int32_t adhesion_fill_ = 0;
  std::int32_t previous_speed_ = 0;
  std::int32_t previous_adhesion_ = 0;
  std::int64_t last_speed_position_ = -1;
  std::int64_t last_adhesion_position_ = -1;
  bool key_matched_ = false;
};

void TrainReader::run() {
  while (!reader_.at_end()) {
    const std::string_view field = reader_.read_text();
    if (contains_ignoring_case(field, "[generale]")) break;
  }
  std::string_view key;
  bool previous_ended_at_comma = false;
  while (next_body_key(cursor_, report_, key)) {
    const Flow flow = body_row(key);
    if (flow == Flow::kReturn) return;
    if (flow == Flow::kEndBody) break;
    if (key_matched_) {
      previous_ended_at_comma = reader_.last_number_ended_at_comma();
    } else {
      warn_unmatched_key(report_, cursor_, key, previous_ended_at_comma);
      previous_ended_at_comma = false;
    }
  }
  complete_profiles();
  test_progressives();
}

Flow TrainReader::body_row(std::string_view key) {
  key_matched_ = false;
  const auto handle = [&](bool matches, auto handler) {
    if (!matches) return Flow::kContinue;
    key_matched_ = true;
    return (this->*handler)();
  };
  Flow flow = Flow::kContinue;
  if (contains_ignoring_case(key, "frenata") && contains_ignoring_case(key, "massa")) {
    key_matched_ = true;
    model_.items[kTrainAndLength].start = reader_.read_i32();
  }
  if (contains_ignoring_case(key, "vetture")) {
    key_matched_ = true;
    model_.items[kTrainAndLength].position = reader_.read_i32();
  }
  if ((flow = handle(contains_ignoring_case(key, "velocit"), &TrainReader::speed_row)) !=
      Flow::kContinue) {
    return flow;
  }
  if ((flow = handle(contains_ignoring_case(key, "aderenza"), &TrainReader::adhesion_row)) !=
      Flow::kContinue) {
    return flow;
  }
  if (contains_ignoring_case(key, "orologio")) {
    key_matched_ = true;
    ItemRecord& train = model_.items[kTrainRecord];
    train.int3 = reader_.read_i16();
    train.int4 = reader_.read_i16();
    train.int5 = reader_.read_i16();
  }
  if (contains_ignoring_case(key, "sabbia")) {
    key_matched_ = true;
    model_.items[kTrainRecord].int1 = reader_.read_i16();
  }
  if ((flow = handle(contains_ignoring_case(key, "segnale"), &TrainReader::signal_row)) !=
      Flow::kContinue) {
    return flow;
  }
  if ((flow = handle(contains_ignoring_case(key, "rallentamento"), &TrainReader::slow_down_row)) !=
      Flow::kContinue) {
    return flow;
  }
  if ((flow = handle(contains_ignoring_case(key, "abbattimento"), &TrainReader::code_point_row)) !=
      Flow::kContinue) {
    return flow;
  }
  return handle(contains_ignoring_case(key, "stazione"), &TrainReader::station_row);
}

Flow TrainReader::speed_row() {
  const std::int32_t p = reader_.read_i32();
  const std::int32_t v = reader_.read_i32();
  if (beyond_grid(model_, p, 100)) return beyond_grid_at(p, 100);
  if (p < 0) return negative("speed row", p);
  warn_out_of_order("speed", p, last_speed_position_);
  const std::int32_t c = rnd(p / 50.0);
  if (c > 0) {
    do {
      if (speed_fill_ >= model_.cell_last) break;
      cell_at(model_, speed_fill_).speed_code =
          checked_narrow<std::uint8_t>(rnd(previous_speed_ / 5.0));
      ++speed_fill_;
    } while (speed_fill_ < c);
  }
  previous_speed_ = v;
  return Flow::kContinue;
}

Flow TrainReader::adhesion_row() {
  const std::int32_t p = reader_.read_i32();
  const std::int32_t a = reader_.read_i32();
  if (beyond_grid(model_, p, 100)) return beyond_grid_at(p, 100);
  if (p < 0) return negative("adhesion row", p);
  warn_out_of_order("adhesion", p, last_adhesion_position_);
  const std::int32_t c = rnd(p / 50.0);
  if (c > 0) {
    do {
      cell_at(model_, adhesion_fill_).adhesion = keep_low_bits<std::uint8_t>(previous_adhesion_);
      ++adhesion_fill_;
    } while (adhesion_fill_ < c);
  }
  previous_adhesion_ = a;
  return Flow::kContinue;
}

Flow TrainReader::signal_row() {
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
  if (beyond_grid(model_, row.posizione, 100)) return beyond_grid_at(row.posizione, 100);
  memo_segnale(model_, row, &report_.conflict);
  return placement_result("signal at " + std::to_string(row.posizione) + " m");
}

Flow TrainReader::slow_down_row() {
  SlowDownRow row;
  row.posizione = reader_.read_i32();
  row.v = reader_.read_i32();
  row.l = reader_.read_i32();
  row.f_tt = reader_.read_i32();
  row.f_ta = reader_.read_i32();
  row.d_v = reader_.read_i32();
  if (beyond_grid(model_, row.posizione, 100)) return beyond_grid_at(row.posizione, 100);
  memo_rallentamento(model_, row, &report_.conflict);
  report_.slow_down_rows[cell_index(row.posizione)] = cursor_.spot();
  return placement_result("slow-down at " + std::to_string(row.posizione) + " m, " +
                          std::to_string(row.l) + " m long");
}

Flow TrainReader::code_point_row() {
  const std::int32_t p = reader_.read_i32();
  const std::int32_t w = reader_.read_i32();
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
    cell.value1 = keep_low_bits<std::int16_t>(w);
  }
  return Flow::kContinue;
}

Flow TrainReader::station_row() {
  const std::int32_t s = station_;
  ItemRecord& item = model_.items[static_cast<std::size_t>(s)];
  item.position = reader_.read_i32();
  const std::int64_t p = item.position;
  if (beyond_grid(model_, p, kStationGridMargin)) return beyond_grid_at(p, kStationGridMargin);
  if (p < 0) return negative("station", p);
  if (p % 50 != 0) {
    return fail(error::kStationOffGrid,
                "station position " + std::to_string(p) + " is not a multiple of 50");
  }
  item.kind = reader_.read_u8();
  const std::int64_t zone = reader_.read_i32();
  if (zone % 100 != 0) {
    return fail(error::kStationZoneLength,
                "station zone length " + std::to_string(zone) + " is not a multiple of 100");
  }
  item.flag = reader_.read_u8();
  item.byte4 = reader_.read_u8();
  item.byte3 = reader_.read_u8();
  item.int1 = reader_.read_i16();
  item.int2 = reader_.read_i16();
  item.byte1 = reader_.read_u8();
  item.int3 = reader_.read_i16();
  item.int4 = reader_.read_i16();
  item.int5 = reader_.read_i16();
  item.byte2 = reader_.read_u8();
  const std::int64_t hours = reader_.read_i32();
  const std::int64_t minutes = reader_.read_i32();
  const std::int64_t seconds = reader_.read_i32();
  item.seconds = checked_narrow<std::int32_t>((hours * 60 + minutes) * 60 + seconds);
  item.text = std::string(reader_.read_text());

  const std::uint8_t type = item.kind;
  if (type == 5 || type == 6) {
    item.end = checked_narrow<std::int32_t>(p + 150);
    item.start = checked_narrow<std::int32_t>(p - zone);
    item.byte3 = 0;
  } else if (type == 7 || type == 8) {
    item.start = checked_narrow<std::int32_t>(p - zone);
    item.end = checked_narrow<std::int32_t>(p + zone);
    item.byte3 = 0;
  } else {
    const double half = static_cast<double>(zone) / 2.0;
    item.start = rnd(static_cast<double>(p) - half);
    item.end = item.byte3 != 0 ? rnd(static_cast<double>(p) + half + 50.0)
                               : rnd(static_cast<double>(p) + half);
  }
  if (zone < 600) item.byte4 = 0;
  if (s == 1) {
    model_.items[1].byte3 = 0;
    model_.items[1].byte4 = 0;
  }
  const double end_cells = item.end / 50.0;
  if (type < kFirstTypeWithoutMarks && type != 5 && type != 6) {
    for (int n = 1; n <= 4; ++n) {
      if (end_cells - n - 1 > 1) {
        cell_at(model_, rnd(end_cells - n - 1)).approach_mark = static_cast<std::uint8_t>(80 + n);
      }
    }
  }
  if (type < kFirstTypeWithoutMarks) {
    if (!(end_cells - 1 > 1)) {
      return fail(error::kStationZoneTooEarly,
                  "station \"" + item.text + "\" has its zone end at " + std::to_string(item.end) +
                      " m, too close to the start of the line for its stop mark");
    }
    CellRecord& stop = cell_at(model_, rnd(end_cells - 1));
    stop.kind = kStationStop;
    stop.value1 = keep_low_bits<std::int16_t>(s);
  }
  if (s > 1 && std::int64_t{item.start} - kStationSpacing <
                   model_.items[static_cast<std::size_t>(s - 1)].end) {
    return fail(error::kStationsTooClose,
                "station \"" + item.text + "\" zone starts at " + std::to_string(item.start) +
                    " m, less than 350 m after the previous zone's end at " +
                    std::to_string(model_.items[static_cast<std::size_t>(s - 1)].end) + " m");
  }
  ++station_;
  if (station_ >= sign_slot_) {
    return fail(error::kStationsMeetSigns,
                "station " + std::to_string(s) + " reaches the items taken by the " +
                    std::to_string(kFirstSignSlot - sign_slot_) + " signs");
  }
  return Flow::kContinue;
}

void TrainReader::complete_profiles() {
  do {
    cell_at(model_, speed_fill_).speed_code =
        checked_narrow<std::uint8_t>(rnd(previous_speed_ / 5.0));
    ++speed_fill_;
  } while (speed_fill_ < model_.cell_last - 2);
  do {
    cell_at(model_, adhesion_fill_).adhesion = keep_low_bits<std::uint8_t>(previous_adhesion_);
    ++adhesion_fill_;
  } while (adhesion_fill_ < model_.cell_last - 2);
}

void TrainReader::test_progressives() {
  for (int index : {kProgressiveFar, kProgressiveMid, kProgressiveNear}) {
    const ItemRecord& change = model_.items[static_cast<std::size_t>(index)];
    if (change.start % 50 != 0 || change.end % 50 != 0) {
      model_.error_number = error::kProgressiveOffGrid;
      // Where the first off-grid row was read; the ordering keeps every row's values.
      report_.error_at.reset();
      for (const auto& row : report_.off_grid_progressives) {
        if (row) {
          report_.error_at = row;
          break;
        }
      }
      report_.error_detail = "kilometre-progressive change (" + std::to_string(change.start) +
                             ", " + std::to_string(change.end) + ") is not on multiples of 50";
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
