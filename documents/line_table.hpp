#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace borgo::documents {

// A document is held as a table of lines closed by this marker, which is
// never written itself.
inline constexpr std::string_view kEndMarker = "riferimento fine del file";
inline constexpr std::size_t kTableSlots = 1001;

using LineTable = std::array<std::string_view, kTableSlots>;

// Splits a document's bytes (every line ended by CR LF) into its line table
// with the end marker right after the last line. Evaluated when the program is
// built: a document that does not fit the table, has a line not ended by
// CR LF, or holds the marker as a line of its own stops the build.
consteval LineTable make_line_table(std::string_view document) {
  LineTable table{};
  std::size_t slot = 0;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < document.size(); ++i) {
    if (document[i] == '\n') throw "a line feed without a carriage return before it";
    if (document[i] != '\r') continue;
    if (i + 1 >= document.size() || document[i + 1] != '\n') {
      throw "a carriage return without a line feed after it";
    }
    if (slot + 1 >= kTableSlots) throw "more lines than the table can hold with its end marker";
    const std::string_view line = document.substr(line_start, i - line_start);
    if (line == kEndMarker) throw "a line that reads as the end marker";
    table[slot++] = line;
    line_start = i + 2;
    ++i;
  }
  if (line_start != document.size()) throw "the last line is not ended by CR LF";
  table[slot] = kEndMarker;
  return table;
}

// The bytes a document's table writes: every line up to the end marker,
// each followed by CR LF.
std::string render_lines(const LineTable& table);

}  // namespace borgo::documents
