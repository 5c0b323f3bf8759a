#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace borgo::compiler {

// Every error number the compiler records or reports, in ascending order: the
// enumerator, the number, a short name and the meaning. The numbers and the
// meanings are part of what the program and the author's tool show, so a
// number is never reused or renumbered. This one list makes both the enum and
// the catalog, so neither can lack an entry the other has.
#define BORGO_ERROR_LIST(X)                                                                        \
  X(kLineTooLong, 1, "line-too-long", "the line length is above 1000000 m")                        \
  X(kProgressiveOffGrid, 2, "progressive-off-grid",                                                \
    "a kilometre-progressive change has a position or a value that is not a multiple of 50")       \
  X(kRepetitionStartOffGrid, 3, "repetition-start-off-grid",                                       \
    "the signal repetition start is not a multiple of 50")                                         \
  X(kRepetitionEndOffGrid, 4, "repetition-end-off-grid",                                           \
    "the signal repetition end is not a multiple of 50")                                           \
  X(kRepetitionCodeCount, 5, "repetition-code-count",                                              \
    "the signal repetition key names neither 4 nor 9 codes")                                       \
  X(kSignCellTaken, 6, "sign-cell-taken",                                                          \
    "a sign falls on a cell that another feature already holds")                                   \
  X(kCodePointCellTaken, 7, "code-point-cell-taken",                                               \
    "a code point falls on a cell that another feature already holds")                             \
  X(kStationOffGrid, 8, "station-off-grid", "a station position is not a multiple of 50")          \
  X(kStationZoneLength, 9, "station-zone-length",                                                  \
    "a station zone length is not a multiple of 100")                                              \
  X(kStationsMeetSigns, 10, "stations-meet-signs",                                                 \
    "the stations reach the item slots taken by the signs")                                        \
  X(kNegativePosition, 11, "negative-position", "a position, a length or a range end is negative") \
  X(kTooManySigns, 12, "too-many-signs", "more than 80 signs")                                     \
  X(kTooManyMountainRanges, 13, "too-many-mountain-ranges", "more than 80 montagna ranges")        \
  X(kMountainPastGrid, 14, "mountain-past-grid",                                                   \
    "a montagna range reaches past the end of the cell grid")                                      \
  X(kBeyondGrid, 15, "beyond-grid", "a row's position lies beyond the end of the cell grid")       \
  X(kSignalCellTaken, 16, "signal-cell-taken",                                                     \
    "a signal falls on a cell that another feature already holds")                                 \
  X(kBoardCellTaken, 17, "board-cell-taken",                                                       \
    "a slow-down's warning board falls on a cell that another feature already holds")              \
  X(kSlowDownStartTaken, 18, "slow-down-start-taken",                                              \
    "a slow-down's start falls on a cell that another feature already holds")                      \
  X(kSlowDownEndTaken, 19, "slow-down-end-taken",                                                  \
    "a slow-down's end falls on a cell that another feature already holds")                        \
  X(kBeforeBoardTaken, 20, "before-board-taken",                                                   \
    "one of the four cells in front of a warning board is already held by another feature")        \
  X(kIndicatorCellTaken, 21, "indicator-cell-taken",                                               \
    "a pair of speed indicators falls on a cell that another feature already holds")               \
  X(kStationsTooClose, 22, "stations-too-close",                                                   \
    "a station zone starts less than 350 m after the previous station's zone ends")                \
  X(kSlowDownPastGrid, 23, "slow-down-past-grid",                                                  \
    "a slow-down reaches past the end of the cell grid")                                           \
  X(kStationZoneTooEarly, 24, "station-zone-too-early",                                            \
    "a station zone ends too close to the start of the line")                                      \
  X(kRuntimeFailure, 25, "runtime-failure",                                                        \
    "a run-time failure while reading (end of the document, a value too large for its field, "     \
    "text in a numeric field, a row before the line length, a missing train description)")         \
  X(kSignalMarksBeforeGrid, 26, "signal-marks-before-grid",                                        \
    "a signal stands so early that its approach marks would fall before the first cell")           \
  X(kLineDescriptionMissing, 101, "line-description-missing",                                      \
    "the line description does not exist")                                                         \
  X(kNoGeneralSection, 102, "no-general-section",                                                  \
    "no field containing \"[generale]\" in the line description")                                  \
  X(kCurve, 103, "curve",                                                                          \
    "a curve key names no radius class 1 to 6, or the plan passes metre 1000000")                  \
  X(kStampFieldsInUse, 1250, "stamp-fields-in-use",                                                \
    "the contest stamp fields are already in use (a feature in cell 1 sets its first value)")      \
  X(kCodeFieldsInUse, 1251, "code-fields-in-use",                                                  \
    "the contest code fields are already in use (a feature in cell 1 sets its second value)")

namespace error {
// The route model keeps a recorded number as a plain 32-bit field; the enum
// converts to it implicitly.
enum Number : std::int32_t {
#define BORGO_ERROR_ENUMERATOR(id, number, name, message) id = number,
  BORGO_ERROR_LIST(BORGO_ERROR_ENUMERATOR)
#undef BORGO_ERROR_ENUMERATOR
};
}  // namespace error

struct ErrorInfo {
  error::Number number;
  std::string_view name;  // lower-case words joined by '-': an error named in text
  std::string_view message;
};

// The whole catalog, in ascending order of number.
std::span<const ErrorInfo> error_catalog();

// The entry for `number`, or nullptr when the compiler never uses it.
const ErrorInfo* find_error(std::int32_t number);

}  // namespace borgo::compiler
