#pragma once

// What the generic fields of the cell and item records hold, role by role.
// A packed value has its packing beside its unpacking; everything else reads
// and writes these fields through the names given here.

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "compiler/numeric.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler {

// A record, writable or not: the accessors hand out its fields with the
// record's own constness.
template <typename T>
concept CellRef = std::same_as<std::remove_const_t<T>, CellRecord>;
template <typename T>
concept ItemRef = std::same_as<std::remove_const_t<T>, ItemRecord>;

// ================================================================== cells

// ---- profiles, carried by every cell whatever its kind

// The line speed in steps of 5 km/h; a step that does not fit a byte overflows.
inline std::uint8_t pack_speed_code(std::int32_t kmh) {
  return checked_narrow<std::uint8_t>(rnd(kmh / 5.0));
}
constexpr std::int32_t speed_code_kmh(std::uint8_t code) { return code * 5; }

// The gradient per mille, raised by 100 and kept to its low 8 bits. The last
// cells of the grid are never reached by the profile and keep 0.
constexpr std::uint8_t pack_gradient_code(std::int32_t per_mille) {
  return keep_low_bits<std::uint8_t>(std::int64_t{per_mille} + 100);
}
constexpr bool has_gradient(std::uint8_t code) { return code != 0; }
constexpr std::int32_t gradient_per_mille(std::uint8_t code) { return code - 100; }

// The adhesion keeps the low 8 bits of the value read.
constexpr std::uint8_t pack_adhesion(std::int32_t value) {
  return keep_low_bits<std::uint8_t>(value);
}

// ---- signal (kind 1)

// value1 .. value3: aspect n = 1, 2, 3, each s * 10 + d.
template <CellRef Cell>
constexpr auto& signal_aspect(Cell& cell, int n) {
  return n == 1 ? cell.value1 : n == 2 ? cell.value2 : cell.value3;
}
constexpr std::int16_t pack_signal_aspect(std::int32_t s, std::int32_t d) {
  return keep_low_bits<std::int16_t>(std::int64_t{s} * 10 + d);
}
constexpr std::int32_t signal_aspect_left(std::int16_t v) { return v / 10; }   // s
constexpr std::int32_t signal_aspect_right(std::int16_t v) { return v % 10; }  // d

// value4: rapp * 10 + sx * 3 + dx.
template <CellRef Cell>
constexpr auto& signal_setting(Cell& cell) {
  return cell.value4;
}
constexpr std::int16_t pack_signal_setting(std::int32_t rapp, std::int32_t sx, std::int32_t dx) {
  return keep_low_bits<std::int16_t>(std::int64_t{rapp} * 10 + std::int64_t{sx} * 3 + dx);
}
constexpr std::int32_t signal_setting_rapp(std::int16_t v) { return v / 10; }
constexpr std::int32_t signal_setting_sx(std::int16_t v) { return v % 10 / 3; }
constexpr std::int32_t signal_setting_dx(std::int16_t v) { return v % 10 % 3; }

// signal_time: only a signal whose sx is 2 keeps its time; the others hold 0.
inline constexpr std::int32_t kTimedSignalSx = 2;
constexpr std::uint8_t pack_signal_time(std::int32_t sx, std::int32_t tempo) {
  return sx == kTimedSignalSx ? keep_low_bits<std::uint8_t>(tempo) : std::uint8_t{0};
}

// approach_mark of the cells 2k before a signal, k = 1 .. 4: sx * 30 + dx * 10 + k.
inline constexpr int kSignalApproachMarks = 4;
constexpr std::int32_t signal_approach_cell(std::int32_t signal_cell, int k) {
  return signal_cell - 2 * k;
}
constexpr std::uint8_t pack_signal_approach_mark(std::int32_t sx, std::int32_t dx, int k) {
  return keep_low_bits<std::uint8_t>(std::int64_t{sx} * 30 + std::int64_t{dx} * 10 + k);
}

// ---- slow-down end, start and warning board (kinds 2, 3, 4)

template <CellRef Cell>
constexpr auto& slow_down_limit(Cell& cell) {  // km/h
  return cell.value1;
}
template <CellRef Cell>
constexpr auto& slow_down_d_v(Cell& cell) {  // written only when d_v is not 0
  return cell.value2;
}
template <CellRef Cell>
constexpr auto& slow_down_f_tt(Cell& cell) {  // start and end only
  return cell.value3;
}

// ---- the four cells before a warning board (kind 5): 1 nearest the board

template <CellRef Cell>
constexpr auto& board_countdown(Cell& cell) {
  return cell.value1;
}
template <CellRef Cell>
constexpr auto& board_countdown_d_v(Cell& cell) {  // written only when d_v is not 0
  return cell.value2;
}

// ---- a pair of maximum-speed indicators (kind 6)

// value1 .. value3: speeds a, b, c (n = 1, 2, 3), left * 20 + right / 5 with
// a real division; a result that does not fit 16 bits overflows.
template <CellRef Cell>
constexpr auto& indicator_speeds(Cell& cell, int n) {
  return n == 1 ? cell.value1 : n == 2 ? cell.value2 : cell.value3;
}
inline std::int16_t pack_indicator_speeds(std::int32_t left, std::int32_t right) {
  return checked_narrow<std::int16_t>(rnd(static_cast<double>(left) * 20.0 + right / 5.0));
}
constexpr std::int32_t indicator_speed_left(std::int16_t v) { return v / 20; }
constexpr std::int32_t indicator_speed_right(std::int16_t v) { return v % 20 * 5; }

// value4: the stripes, left * 10 + right.
template <CellRef Cell>
constexpr auto& indicator_stripes(Cell& cell) {
  return cell.value4;
}
constexpr std::int16_t pack_indicator_stripes(std::int32_t left, std::int32_t right) {
  return keep_low_bits<std::int16_t>(std::int64_t{left} * 10 + right);
}
constexpr std::int32_t indicator_stripes_left(std::int16_t v) { return v / 10; }
constexpr std::int32_t indicator_stripes_right(std::int16_t v) { return v % 10; }

// ---- station stop mark (kind 10), code point (kind 12), sign (kind 14)

template <CellRef Cell>
constexpr auto& stop_station_item(Cell& cell) {
  return cell.value1;
}
template <CellRef Cell>
constexpr auto& code_value(Cell& cell) {
  return cell.value1;
}
template <CellRef Cell>
constexpr auto& sign_item(Cell& cell) {
  return cell.value1;
}

// ---- cell 1, whatever its kind: the contest stamp and the plain contest code

inline constexpr std::int32_t kContestCell = 1;
inline constexpr std::int16_t kCellContestStamp = 5121;
template <CellRef Cell>
constexpr auto& contest_stamp(Cell& cell) {
  return cell.value1;
}
template <CellRef Cell>
constexpr auto& plain_contest_code(Cell& cell) {
  return cell.value2;
}

// ================================================================== items

// Stations take items 1, 2, ... in the order of the train description; signs
// take kFirstSignSlot, kFirstSignSlot - 1, ... in the order of the line
// description. The two must not meet.
inline constexpr std::int32_t kFirstStationSlot = 1;
constexpr bool sign_slot_left(std::int32_t sign_slot) { return sign_slot >= kFirstStationSlot; }
constexpr std::int32_t signs_placed(std::int32_t sign_slot) { return kFirstSignSlot - sign_slot; }
constexpr bool station_meets_signs(std::int32_t station_slot, std::int32_t sign_slot) {
  return station_slot >= sign_slot;
}

enum class ItemRole : std::uint8_t {
  kUnused,
  kStation,
  kSign,
  kProgressive,
  kTrainAndLength,
  kLine,
  kTrain,
};

// The role of item `index`. The table keeps no count of stations or signs, so
// in their shared range the record tells: a sign's holds its text and nothing
// else, a station's sets its numbers. A record left all zero is unused.
inline ItemRole item_role(std::size_t index, const ItemRecord& item) {
  if (index >= static_cast<std::size_t>(kFirstStationSlot) &&
      index <= static_cast<std::size_t>(kFirstSignSlot)) {
    ItemRecord numbers = item;
    numbers.text.clear();
    if (!(numbers == ItemRecord{})) return ItemRole::kStation;
    return item.text.empty() ? ItemRole::kUnused : ItemRole::kSign;
  }
  switch (index) {
    case kProgressiveFar:
    case kProgressiveMid:
    case kProgressiveNear:
      return ItemRole::kProgressive;
    case kTrainAndLength:
      return ItemRole::kTrainAndLength;
    case kLineRecord:
      return ItemRole::kLine;
    case kTrainRecord:
      return ItemRole::kTrain;
    default:
      return ItemRole::kUnused;
  }
}

// ---- sign

template <ItemRef Item>
constexpr auto& sign_text(Item& item) {
  return item.text;
}

// ---- station

// How a station's type shapes its zone around its position P, L being the
// zone length of the row.
enum class ZoneShape : std::uint8_t {
  kCentred,    // P - L/2 .. P + L/2, 50 m longer with the extra 50 m set
  kEndsPast,   // types 5 and 6: P - L .. P + 150, and no approach marks
  kBothSides,  // types 7 and 8: P - L .. P + L
};
constexpr ZoneShape zone_shape(std::uint8_t type) {
  if (type == 5 || type == 6) return ZoneShape::kEndsPast;
  if (type == 7 || type == 8) return ZoneShape::kBothSides;
  return ZoneShape::kCentred;
}
// From this type on a station gets neither a stop mark nor approach marks.
inline constexpr std::uint8_t kFirstUnmarkedStationType = 25;
constexpr bool has_stop_mark(std::uint8_t type) { return type < kFirstUnmarkedStationType; }
constexpr bool has_approach_marks(std::uint8_t type) {
  return has_stop_mark(type) && zone_shape(type) != ZoneShape::kEndsPast;
}
// approach_mark n = 1 .. 4 before a stop mark: 81 nearest it, 84 farthest.
inline constexpr int kStationApproachMarks = 4;
constexpr std::uint8_t station_approach_mark(int n) { return static_cast<std::uint8_t>(80 + n); }

// The timetable: seconds of the day, (h * 60 + m) * 60 + s.
inline std::int32_t pack_timetable(std::int64_t hours, std::int64_t minutes, std::int64_t seconds) {
  return checked_narrow<std::int32_t>((hours * 60 + minutes) * 60 + seconds);
}
constexpr std::int64_t timetable_hours(std::int64_t t) { return t / 3600; }
constexpr std::int64_t timetable_minutes(std::int64_t t) { return t / 60 % 60; }
constexpr std::int64_t timetable_seconds(std::int64_t t) { return t % 60; }

// A station's record. The columns that are only copied are named by their
// place in the row: the position is column 1, the name column 17.
template <ItemRef Item>
class StationItem {
 public:
  explicit StationItem(Item& item) : item_(item) {}

  auto& position() const { return item_.position; }  // column 1
  auto& type() const { return item_.kind; }          // column 2
  auto& zone_start() const { return item_.start; }   // from column 3, the zone length
  auto& zone_end() const { return item_.end; }
  auto& column4() const { return item_.flag; }
  auto& column5() const { return item_.byte4; }
  auto& extra_50m() const { return item_.byte3; }  // column 6: the zone ends 50 m later
  auto& column7() const { return item_.int1; }
  auto& column8() const { return item_.int2; }
  auto& column9() const { return item_.byte1; }
  auto& column10() const { return item_.int3; }
  auto& column11() const { return item_.int4; }
  auto& column12() const { return item_.int5; }
  auto& column13() const { return item_.byte2; }
  auto& timetable() const { return item_.seconds; }  // columns 14 to 16
  auto& name() const { return item_.text; }

 private:
  Item& item_;
};

// ---- kilometre-progressive changes (items 81 to 83)

// The ordering raises the value of a change whose flag is exactly 1 by 100;
// the value as its row wrote it is what the train sheet counts on.
inline constexpr std::int32_t kProgressiveFlagRaise = 100;
constexpr std::int64_t progressive_value_as_written(std::int64_t stored, std::int32_t flag) {
  return flag == 1 ? stored - kProgressiveFlagRaise : stored;
}

template <ItemRef Item>
class ProgressiveItem {
 public:
  explicit ProgressiveItem(Item& item) : item_(item) {}

  auto& position() const { return item_.start; }
  auto& value() const { return item_.end; }
  auto& flag() const { return item_.position; }

 private:
  Item& item_;
};

// ---- train and line length (item 84)

template <ItemRef Item>
class TrainAndLengthItem {
 public:
  explicit TrainAndLengthItem(Item& item) : item_(item) {}

  auto& braked_mass() const { return item_.start; }
  auto& line_length() const { return item_.end; }
  auto& cars() const { return item_.position; }

 private:
  Item& item_;
};

// ---- line (item 85)

inline constexpr std::int16_t kItemContestStamp = 610;

template <ItemRef Item>
class LineItem {
 public:
  explicit LineItem(Item& item) : item_(item) {}

  auto& name() const { return item_.text; }
  auto& background_uno() const { return item_.start; }
  auto& background_due() const { return item_.position; }
  auto& background_tre() const { return item_.end; }
  auto& contest_stamp() const { return item_.int1; }
  auto& weighted_contest_code() const { return item_.seconds; }

 private:
  Item& item_;
};

// ---- train (item 86)

template <ItemRef Item>
class TrainItem {
 public:
  explicit TrainItem(Item& item) : item_(item) {}

  auto& name() const { return item_.text; }
  auto& repetition_start() const { return item_.start; }
  auto& repetition_end() const { return item_.end; }
  auto& repetition_codes() const { return item_.position; }  // 4 or 9, 0 when off
  auto& sand() const { return item_.int1; }
  auto& clock_hours() const { return item_.int3; }
  auto& clock_minutes() const { return item_.int4; }
  auto& clock_seconds() const { return item_.int5; }

 private:
  Item& item_;
};

}  // namespace borgo::compiler
