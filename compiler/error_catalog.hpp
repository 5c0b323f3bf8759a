#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace borgo::compiler {

// Every error number the compiler records or reports, with its meaning.
struct ErrorInfo {
  std::int32_t number;
  std::string_view name;
  std::string_view message;
};

namespace error {
inline constexpr std::int32_t kLineTooLong = 1;
inline constexpr std::int32_t kProgressiveOffGrid = 2;
inline constexpr std::int32_t kRepetitionStartOffGrid = 3;
inline constexpr std::int32_t kRepetitionEndOffGrid = 4;
inline constexpr std::int32_t kRepetitionCodeCount = 5;
inline constexpr std::int32_t kSignCellTaken = 6;
inline constexpr std::int32_t kCodePointCellTaken = 7;
inline constexpr std::int32_t kStationOffGrid = 8;
inline constexpr std::int32_t kStationZoneLength = 9;
inline constexpr std::int32_t kStationsMeetSigns = 10;
inline constexpr std::int32_t kNegativePosition = 11;
inline constexpr std::int32_t kTooManySigns = 12;
inline constexpr std::int32_t kTooManyMountainRanges = 13;
inline constexpr std::int32_t kMountainPastGrid = 14;
inline constexpr std::int32_t kBeyondGrid = 15;
inline constexpr std::int32_t kSignalCellTaken = 16;
inline constexpr std::int32_t kBoardCellTaken = 17;
inline constexpr std::int32_t kSlowDownStartTaken = 18;
inline constexpr std::int32_t kSlowDownEndTaken = 19;
inline constexpr std::int32_t kBeforeBoardTaken = 20;
inline constexpr std::int32_t kIndicatorCellTaken = 21;
inline constexpr std::int32_t kStationsTooClose = 22;
inline constexpr std::int32_t kSlowDownPastGrid = 23;
inline constexpr std::int32_t kStationZoneTooEarly = 24;
inline constexpr std::int32_t kRuntimeFailure = 25;
inline constexpr std::int32_t kSignalMarksBeforeGrid = 26;
inline constexpr std::int32_t kLineDescriptionMissing = 101;
inline constexpr std::int32_t kNoGeneralSection = 102;
inline constexpr std::int32_t kCurve = 103;
inline constexpr std::int32_t kStampFieldsInUse = 1250;
inline constexpr std::int32_t kCodeFieldsInUse = 1251;
}  // namespace error

// The whole table, in ascending order of number.
std::span<const ErrorInfo> error_catalog();

// The entry for `number`, or nullptr when the compiler never uses it.
const ErrorInfo* find_error(std::int32_t number);

}  // namespace borgo::compiler
