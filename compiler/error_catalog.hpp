#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace borgo::compiler {

// Every error number the compiler records or reports, in ascending order: the
// enumerator, the number, a short name, the meaning and what an author can do
// about it. The numbers and the meanings are part of what the program and the
// author's tool show, so a number is never reused or renumbered. This one
// list makes both the enum and the catalog, so neither can lack an entry the
// other has.
#define BORGO_ERROR_LIST(X)                                                                        \
  X(kLineTooLong, 1, "line-too-long", "the line length is above 1000000 m",                        \
    "shorten the line to 1000000 m or less in its \"lunghezza percorso\" row")                     \
  X(kProgressiveOffGrid, 2, "progressive-off-grid",                                                \
    "a kilometre-progressive change has a position or a value that is not a multiple of 50",       \
    "put the change's posizione and valore on multiples of 50")                                    \
  X(kRepetitionStartOffGrid, 3, "repetition-start-off-grid",                                       \
    "the signal repetition start is not a multiple of 50",                                         \
    "give the repetition's start as a multiple of 50")                                             \
  X(kRepetitionEndOffGrid, 4, "repetition-end-off-grid",                                           \
    "the signal repetition end is not a multiple of 50",                                           \
    "give the repetition's end as a multiple of 50, or 0 to switch the repetition off")            \
  X(kRepetitionCodeCount, 5, "repetition-code-count",                                              \
    "the signal repetition key names neither 4 nor 9 codes",                                       \
    "write \"4\" or \"9\" in the row's key, as in \"ripetizione segnali 9 codici\"")               \
  X(kSignCellTaken, 6, "sign-cell-taken",                                                          \
    "a sign falls on a cell that another feature already holds",                                   \
    "move the sign or the feature that holds the cell by 50 m or more")                            \
  X(kCodePointCellTaken, 7, "code-point-cell-taken",                                               \
    "a code point falls on a cell that another feature already holds",                             \
    "move the code point or the feature that holds the cell; a code point takes the cell before "  \
    "a signal's at the same position")                                                             \
  X(kStationOffGrid, 8, "station-off-grid", "a station position is not a multiple of 50",          \
    "put the station on a multiple of 50")                                                         \
  X(kStationZoneLength, 9, "station-zone-length",                                                  \
    "a station zone length is not a multiple of 100", "give the zone length as a multiple of 100") \
  X(kStationsMeetSigns, 10, "stations-meet-signs",                                                 \
    "the stations reach the item slots taken by the signs",                                        \
    "use fewer stations or signs: together they share the 80 items 1 to 80")                       \
  X(kNegativePosition, 11, "negative-position", "a position, a length or a range end is negative", \
    "give positions, lengths and range ends of 0 or more")                                         \
  X(kTooManySigns, 12, "too-many-signs", "more than 80 signs",                                     \
    "keep to 80 signs, fewer when there are stations")                                             \
  X(kTooManyMountainRanges, 13, "too-many-mountain-ranges", "more than 80 montagna ranges",        \
    "keep to 80 montagna ranges; join neighbouring ones into one")                                 \
  X(kMountainPastGrid, 14, "mountain-past-grid",                                                   \
    "a montagna range reaches past the end of the cell grid",                                      \
    "end the range inside the line and its 7000 m beyond, or lengthen the line")                   \
  X(kBeyondGrid, 15, "beyond-grid", "a row's position lies beyond the end of the cell grid",       \
    "keep the row's position inside the line and its 7000 m beyond (100 m short of the grid's "    \
    "end, 800 m for a station), or lengthen the line; the length row must come first")             \
  X(kSignalCellTaken, 16, "signal-cell-taken",                                                     \
    "a signal falls on a cell that another feature already holds",                                 \
    "move the signal or the feature that holds the cell by 50 m or more")                          \
  X(kBoardCellTaken, 17, "board-cell-taken",                                                       \
    "a slow-down's warning board falls on a cell that another feature already holds",              \
    "move the slow-down so that its warning board, 1200 m before it, falls on a free cell")        \
  X(kSlowDownStartTaken, 18, "slow-down-start-taken",                                              \
    "a slow-down's start falls on a cell that another feature already holds",                      \
    "move the slow-down's start or the feature that holds its cell")                               \
  X(kSlowDownEndTaken, 19, "slow-down-end-taken",                                                  \
    "a slow-down's end falls on a cell that another feature already holds",                        \
    "change the slow-down's length so that its end falls on a free cell")                          \
  X(kBeforeBoardTaken, 20, "before-board-taken",                                                   \
    "one of the four cells in front of a warning board is already held by another feature",        \
    "free the four cells before the warning board, or set f_ta to 0")                              \
  X(kIndicatorCellTaken, 21, "indicator-cell-taken",                                               \
    "a pair of speed indicators falls on a cell that another feature already holds",               \
    "move the indicators or the feature that holds the cell by 50 m or more")                      \
  X(kStationsTooClose, 22, "stations-too-close",                                                   \
    "a station zone starts less than 350 m after the previous station's zone ends",                \
    "leave 350 m or more between a station's zone and the previous station's, with the stations "  \
    "in route order")                                                                              \
  X(kSlowDownPastGrid, 23, "slow-down-past-grid",                                                  \
    "a slow-down reaches past the end of the cell grid",                                           \
    "shorten or move the slow-down so that it ends inside the grid")                               \
  X(kStationZoneTooEarly, 24, "station-zone-too-early",                                            \
    "a station zone ends too close to the start of the line",                                      \
    "move the station along or shorten its zone: its stop mark must fall after cell 1")            \
  X(kRuntimeFailure, 25, "runtime-failure",                                                        \
    "a run-time failure while reading (end of the document, a value too large for its field, "     \
    "text in a numeric field, a row before the line length, a missing train description)",         \
    "look at the field the caret points at: text where a number is due, a number too large for "   \
    "its field, or a document cut short; the length row must come first and the train "            \
    "description must exist")                                                                      \
  X(kSignalMarksBeforeGrid, 26, "signal-marks-before-grid",                                        \
    "a signal stands so early that its approach marks would fall before the first cell",           \
    "place the signal at 350 m or later: its approach marks reach 8 cells back")                   \
  X(kLineDescriptionMissing, 101, "line-description-missing",                                      \
    "the line description does not exist",                                                         \
    "write the line description, LINE_linea.txt, beside the train description")                    \
  X(kNoGeneralSection, 102, "no-general-section",                                                  \
    "no field containing \"[generale]\" in the line description",                                  \
    "put a \"[generale]\" line before the general rows")                                           \
  X(kCurve, 103, "curve",                                                                          \
    "a curve key names no radius class 1 to 6, or the plan passes metre 1000000",                  \
    "name a radius class 1 to 6 in the curve's key, as in \"curvas3\", and keep the curves "       \
    "within metre 1000000")                                                                        \
  X(kStampFieldsInUse, 1250, "stamp-fields-in-use",                                                \
    "the contest stamp fields are already in use (a feature in cell 1 sets its first value)",      \
    "keep features out of cell 1 (signals, signs, indicators and slow-downs before 25 m, code "    \
    "points between 25 and 75 m), and keep slow-downs far enough along that their code points "    \
    "need "                                                                                        \
    "not go there")                                                                                \
  X(kCodeFieldsInUse, 1251, "code-fields-in-use",                                                  \
    "the contest code fields are already in use (a feature in cell 1 sets its second value)",      \
    "keep features out of cell 1 (a slow-down there sets its second value), as for error 1250")

namespace error {
// The route model keeps a recorded number as a plain 32-bit field; the enum
// converts to it implicitly.
enum Number : std::int32_t {
#define BORGO_ERROR_ENUMERATOR(id, number, name, message, advice) id = number,
  BORGO_ERROR_LIST(BORGO_ERROR_ENUMERATOR)
#undef BORGO_ERROR_ENUMERATOR
};
}  // namespace error

struct ErrorInfo {
  error::Number number;
  std::string_view name;  // lower-case words joined by '-': an error named in text
  std::string_view message;
  std::string_view advice;  // what to do, in words for a scenario author
};

// The whole catalog, in ascending order of number.
std::span<const ErrorInfo> error_catalog();

// The entry for `number`, or nullptr when the compiler never uses it.
const ErrorInfo* find_error(std::int32_t number);

}  // namespace borgo::compiler
