#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "port/large_block.hpp"

namespace borgo::compiler {

// What stands in a 50 m cell. The set is closed: no other value is stored.
enum CellKind : std::uint8_t {
  kEmpty = 0,
  kSignal = 1,
  kSlowDownEnd = 2,
  kSlowDownStart = 3,
  kWarningBoard = 4,
  kBeforeBoard = 5,
  kSpeedIndicators = 6,
  kStationStop = 10,
  kMountainMarker = 11,
  kCodePoint = 12,
  kCodePointNoValue = 13,
  kSign = 14,
};

struct CellRecord {
  std::uint8_t kind = 0;
  std::int16_t value1 = 0;
  std::int16_t value2 = 0;
  std::int16_t value3 = 0;
  std::int16_t value4 = 0;
  std::uint8_t signal_time = 0;
  std::uint8_t approach_mark = 0;
  std::uint8_t mountain_type = 0;
  std::uint8_t speed_code = 0;
  std::uint8_t gradient_code = 0;
  std::uint8_t adhesion = 0;

  bool operator==(const CellRecord&) const = default;
};

struct ItemRecord {
  std::uint8_t kind = 0;
  std::int32_t start = 0;
  std::int32_t end = 0;
  std::int32_t position = 0;
  std::uint8_t flag = 0;
  std::string text;
  std::int16_t int1 = 0;
  std::int16_t int2 = 0;
  std::int16_t int3 = 0;
  std::int16_t int4 = 0;
  std::int16_t int5 = 0;
  std::uint8_t byte1 = 0;
  std::uint8_t byte2 = 0;
  std::uint8_t byte3 = 0;
  std::uint8_t byte4 = 0;
  std::int32_t seconds = 0;

  bool operator==(const ItemRecord&) const = default;
};

// One entry of the line plan: never set, a 16-bit integer or a double. The
// tag values are the type codes of the line file.
struct PlanValue {
  enum Tag : std::uint16_t { kUnset = 0, kInt16 = 2, kDouble = 5 };
  Tag tag = kUnset;
  std::int16_t integer = 0;
  double real = 0.0;

  static PlanValue of_int16(std::int16_t v) { return {kInt16, v, 0.0}; }
  static PlanValue of_double(double v) { return {kDouble, 0, v}; }
  double as_double() const { return tag == kDouble ? real : static_cast<double>(integer); }
  bool operator==(const PlanValue&) const = default;
};

// One coordinate of the line plan, an entry a metre, held as two columns of
// their own: the tags (a byte an entry) and the values as doubles (an
// integer entry as its exact double, an unset one as 0), 9 bytes a metre.
class PlanColumn {
 public:
  std::size_t size() const { return tags_.size(); }
  bool empty() const { return tags_.empty(); }
  void clear() {
    tags_.clear();
    values_.clear();
  }
  // `metres` entries, all of them `value`.
  void assign(std::size_t metres, PlanValue value = {}) {
    tags_.assign(metres, static_cast<std::uint8_t>(value.tag));
    values_.assign(metres, value.as_double());
  }
  void reserve(std::size_t metres) {
    tags_.reserve(metres);
    values_.reserve(metres);
  }
  void push_back(PlanValue value) {
    tags_.push_back(static_cast<std::uint8_t>(value.tag));
    values_.push_back(value.tag == PlanValue::kUnset ? 0.0 : value.as_double());
  }

  PlanValue operator[](std::size_t metre) const {
    switch (tag(metre)) {
      case PlanValue::kInt16:
        return PlanValue::of_int16(static_cast<std::int16_t>(values_[metre]));
      case PlanValue::kDouble:
        return PlanValue::of_double(values_[metre]);
      default:
        return {};
    }
  }
  PlanValue::Tag tag(std::size_t metre) const { return static_cast<PlanValue::Tag>(tags_[metre]); }
  // The entry as a number; 0 when unset.
  double as_double(std::size_t metre) const { return values_[metre]; }

  void set(std::size_t metre, PlanValue value) {
    tags_[metre] = static_cast<std::uint8_t>(value.tag);
    values_[metre] = value.tag == PlanValue::kUnset ? 0.0 : value.as_double();
  }

  // The columns themselves, for loops over many metres.
  const std::uint8_t* tags() const { return tags_.data(); }
  const double* values() const { return values_.data(); }
  std::uint8_t* tags() { return tags_.data(); }
  double* values() { return values_.data(); }

  bool operator==(const PlanColumn&) const = default;

 private:
  std::vector<std::uint8_t> tags_;
  std::vector<double, port::LargeBlockAllocator<double>> values_;
};

// Special records of the item table.
inline constexpr int kItemCount = 87;
inline constexpr int kFirstSignSlot = 80;
inline constexpr int kProgressiveFar = 81;   // "tre" before ordering
inline constexpr int kProgressiveMid = 82;   // "due"
inline constexpr int kProgressiveNear = 83;  // "uno"
inline constexpr int kTrainAndLength = 84;
inline constexpr int kLineRecord = 85;
inline constexpr int kTrainRecord = 86;
inline constexpr int kMountainSlots = 81;  // ranges 1 .. 80; slot 0 unused

// The whole state of one compile: plain data, filled by the compiler's steps.
struct RouteModel {
  // line_plan[coordinate][metre]: two columns of plan_last + 1 entries, empty
  // when the line file is not wanted. Column-major, as the line file stores it.
  std::array<PlanColumn, 2> line_plan;
  std::vector<CellRecord> cells;  // 0 .. cell_last; empty until the length row
  std::array<ItemRecord, kItemCount> items{};
  std::array<std::int32_t, kMountainSlots> mountain_start{};
  std::array<std::int32_t, kMountainSlots> mountain_end{};
  std::int32_t mountain_count = 0;
  std::int32_t write_line_file = 0;
  std::string train_name;
  std::string line_name;
  std::string text_line;
  std::int32_t plan_last = 0;
  std::int32_t cell_last = 0;
  std::int32_t error_number = 0;

  bool has_grid() const { return !cells.empty(); }
  bool has_line_plan() const { return !line_plan[0].empty(); }
};

// A cell that a placement may take: empty, or holding only a montagna marker.
inline bool is_free(const CellRecord& cell) {
  return cell.kind == kEmpty || cell.kind == kMountainMarker;
}

}  // namespace borgo::compiler
