#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "compiler/field_reader.hpp"

namespace borgo::compiler {

// The two documents a compile reads.
enum class Document : std::uint8_t { kLineDescription, kTrainDescription };

struct SourceSpot {
  Document document = Document::kLineDescription;
  FieldLocation key;    // the key field of the row being handled
  FieldLocation field;  // the last field read
  FieldLocation value;  // the field right after the key: the row's position, when it has one
  bool operator==(const SourceSpot&) const = default;
};

// A placement that found its cell taken: the cell, and the kind that held it.
struct CellConflict {
  std::int32_t cell = 0;
  std::uint8_t held_kind = 0;
  bool operator==(const CellConflict&) const = default;
};

// Something an author almost surely did not mean, though the format accepts it.
struct CompileWarning {
  enum class Kind : std::uint8_t {
    kUnknownKey,           // a key that matches nothing and is no section heading
    kDecimalComma,         // a number followed by a comma and digits: "-4,5"
    kLastRowLost,          // the document's last field is never interpreted
    kCurveBeforeReached,   // a curve that starts before the metre already reached
    kProfileOutOfOrder,    // gradient, speed or adhesion rows not in ascending order
    kSlowDownWithoutCode,  // the code pass found no free cell for a slow-down's code point
    kUtf8Document,  // a description saved as UTF-8, which the simulator reads as Windows-1252
    // The author's tool finds these in the documents; the compile never reports them.
    kIgnoredRow,     // a row whose key matches no row of its section: all of it is skipped
    kCommaEndsText,  // a comma ended a text field, and the rest was read as keys
    kPastLineEnd,    // a line row that lies past the line's end
  };
  Kind kind;
  std::optional<SourceSpot> where;
  std::string detail;
};

// A row that puts something at a place on the line, as read, whether or not
// its placement then succeeded: what the author's tool draws is tied back to
// the row that made it.
struct PlacedRow {
  enum class Kind : std::uint8_t {
    kStation,
    kSignal,
    kSign,
    kSlowDown,
    kMountainRange,
    kSpeedIndicators,
    kCodePoint,
  };
  Kind kind;
  SourceSpot where;
  std::int64_t position = 0;  // metres, as the row gives it
  std::int64_t end = 0;       // where a slow-down or a montagna range ends; else the position
};

// What a compile found, beyond the route model itself: where reading stopped
// when an error was recorded, why, and the warnings. The compiler never shows
// any of it; the program ignores it and the author's tool reports it.
struct CompileReport {
  std::optional<SourceSpot> error_at;
  std::string error_detail;
  std::optional<CellConflict> conflict;  // set with errors 6, 7 and 16 to 21
  std::vector<CompileWarning> warnings;
  // The row of each slow-down, by the cell of its start, for the code pass's warnings.
  std::map<std::int32_t, SourceSpot> slow_down_rows;
  // The rows that place features, in reading order.
  std::vector<PlacedRow> placed_rows;
  // The kilometre-progressive rows "tre", "due" and "uno" (in the order of items 81 to 83)
  // that hold a position or a value off the 50 m grid: error 2 is only found at the end.
  std::array<std::optional<SourceSpot>, 3> off_grid_progressives;
};

}  // namespace borgo::compiler
