#include "compiler/error_catalog.hpp"

#include <algorithm>
#include <array>

namespace borgo::compiler {
namespace {

constexpr std::array<ErrorInfo, 31> kCatalog{{
    {1, "line-too-long", "the line length is above 1000000 m"},
    {2, "progressive-off-grid",
     "a kilometre-progressive change has a position or a value that is not a multiple of 50"},
    {3, "repetition-start-off-grid", "the signal repetition start is not a multiple of 50"},
    {4, "repetition-end-off-grid", "the signal repetition end is not a multiple of 50"},
    {5, "repetition-code-count", "the signal repetition key names neither 4 nor 9 codes"},
    {6, "sign-cell-taken", "a sign falls on a cell that another feature already holds"},
    {7, "code-point-cell-taken", "a code point falls on a cell that another feature already holds"},
    {8, "station-off-grid", "a station position is not a multiple of 50"},
    {9, "station-zone-length", "a station zone length is not a multiple of 100"},
    {10, "stations-meet-signs", "the stations reach the item slots taken by the signs"},
    {11, "negative-position", "a position, a length or a range end is negative"},
    {12, "too-many-signs", "more than 80 signs"},
    {13, "too-many-mountain-ranges", "more than 80 montagna ranges"},
    {14, "mountain-past-grid", "a montagna range reaches past the end of the cell grid"},
    {15, "beyond-grid", "a row's position lies beyond the end of the cell grid"},
    {16, "signal-cell-taken", "a signal falls on a cell that another feature already holds"},
    {17, "board-cell-taken",
     "a slow-down's warning board falls on a cell that another feature already holds"},
    {18, "slow-down-start-taken",
     "a slow-down's start falls on a cell that another feature already holds"},
    {19, "slow-down-end-taken",
     "a slow-down's end falls on a cell that another feature already holds"},
    {20, "before-board-taken",
     "one of the four cells in front of a warning board is already held by another feature"},
    {21, "indicator-cell-taken",
     "a pair of speed indicators falls on a cell that another feature already holds"},
    {22, "stations-too-close",
     "a station zone starts less than 350 m after the previous station's zone ends"},
    {23, "slow-down-past-grid", "a slow-down reaches past the end of the cell grid"},
    {24, "station-zone-too-early", "a station zone ends too close to the start of the line"},
    {25, "runtime-failure",
     "a run-time failure while reading (end of the document, a value too large for its field, "
     "text in a numeric field, a row before the line length, a missing train description)"},
    {26, "signal-marks-before-grid",
     "a signal stands so early that its approach marks would fall before the first cell"},
    {101, "line-description-missing", "the line description does not exist"},
    {102, "no-general-section", "no field containing \"[generale]\" in the line description"},
    {103, "curve", "a curve key names no radius class 1 to 6, or the plan passes metre 1000000"},
    {1250, "stamp-fields-in-use",
     "the contest stamp fields are already in use (a feature in cell 1 sets its first value)"},
    {1251, "code-fields-in-use",
     "the contest code fields are already in use (a feature in cell 1 sets its second value)"},
}};

}  // namespace

std::span<const ErrorInfo> error_catalog() { return kCatalog; }

const ErrorInfo* find_error(std::int32_t number) {
  auto it = std::lower_bound(kCatalog.begin(), kCatalog.end(), number,
                             [](const ErrorInfo& e, std::int32_t n) { return e.number < n; });
  return it != kCatalog.end() && it->number == number ? &*it : nullptr;
}

}  // namespace borgo::compiler
