#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace borgo::documents {

// A document is held as a table of lines closed by this marker, which is
// never written itself.
inline constexpr std::string_view kEndMarker = "riferimento fine del file";
inline constexpr std::size_t kTableSlots = 1001;
// The most lines a document can have: one slot is the marker's.
inline constexpr std::size_t kMostLines = kTableSlots - 1;

using LineTable = std::array<std::string_view, kTableSlots>;

// Why a document's bytes make no line table, and the line (1-based) where
// that shows.
struct LineTableFault {
  enum class Kind : unsigned char {
    kLoneLineFeed,
    kLoneCarriageReturn,
    kTooManyLines,
    kEndMarkerLine,
    kUnendedLastLine,
  };
  Kind kind;
  const char* what;
  std::size_t line;
};

// Splits a document's bytes (every line ended by CR LF) into `table`, its
// lines viewing `document`, with the end marker right after the last line.
// A document that does not fit the table, has a line not ended by CR LF, or
// holds the marker as a line of its own is a fault; `table` is then left
// partly filled.
constexpr std::optional<LineTableFault> fill_line_table(std::string_view document,
                                                        LineTable& table) {
  using Kind = LineTableFault::Kind;
  std::size_t slot = 0;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < document.size(); ++i) {
    if (document[i] == '\n') {
      return LineTableFault{Kind::kLoneLineFeed, "a line feed without a carriage return before it",
                            slot + 1};
    }
    if (document[i] != '\r') continue;
    if (i + 1 >= document.size() || document[i + 1] != '\n') {
      return LineTableFault{Kind::kLoneCarriageReturn,
                            "a carriage return without a line feed after it", slot + 1};
    }
    if (slot + 1 >= kTableSlots) {
      return LineTableFault{Kind::kTooManyLines,
                            "more lines than the table can hold with its end marker", slot + 1};
    }
    const std::string_view line = document.substr(line_start, i - line_start);
    if (line == kEndMarker) {
      return LineTableFault{Kind::kEndMarkerLine, "a line that reads as the end marker", slot + 1};
    }
    table[slot++] = line;
    line_start = i + 2;
    ++i;
  }
  if (line_start != document.size()) {
    return LineTableFault{Kind::kUnendedLastLine, "the last line is not ended by CR LF", slot + 1};
  }
  table[slot] = kEndMarker;
  return std::nullopt;
}

// The same, evaluated when the program is built: a fault stops the build.
consteval LineTable make_line_table(std::string_view document) {
  LineTable table{};
  if (const std::optional<LineTableFault> fault = fill_line_table(document, table)) {
    throw fault->what;
  }
  return table;
}

// The bytes a document's table writes: every line up to the end marker,
// each followed by CR LF.
std::string render_lines(const LineTable& table);

}  // namespace borgo::documents
