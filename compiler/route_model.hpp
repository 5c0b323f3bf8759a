#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/line_plan.hpp"

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
  // Metres 0 .. plan_last, kept as the runs that make them; empty when the
  // line file is not wanted.
  LinePlan line_plan;
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
  bool has_line_plan() const { return !line_plan.empty(); }
};

// A cell that a placement may take: empty, or holding only a montagna marker.
inline bool is_free(const CellRecord& cell) {
  return cell.kind == kEmpty || cell.kind == kMountainMarker;
}

}  // namespace borgo::compiler
