#pragma once

// Reads drafted service documents back by their layouts alone, as a driver
// would: the slow-down order's table entries and the train sheet's pages and
// body lines, each cell cut at the bars. It checks the frame as it goes
// (CR LF lines, no tab, the table widths, the bars in their columns) and
// fails the test where the frame is broken.

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace borgo::tools::drafting::testing {

inline std::vector<std::string> crlf_lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a last line without CR LF";
      break;
    }
    const std::string line = bytes.substr(start, end - start);
    EXPECT_EQ(line.find('\t'), std::string::npos) << line;
    EXPECT_EQ(line.find('\r'), std::string::npos) << "a lone CR: " << line;
    EXPECT_EQ(line.find('\n'), std::string::npos) << "a lone LF: " << line;
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

// The text between bars: " |a|b|c|" gives {"a", "b", "c"}.
inline std::vector<std::string> cells_of(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t bar = line.find('|');
  while (bar != std::string::npos) {
    const std::size_t next = line.find('|', bar + 1);
    if (next == std::string::npos) break;
    cells.push_back(line.substr(bar + 1, next - bar - 1));
    bar = next;
  }
  return cells;
}

inline std::string trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" _");
  if (first == std::string::npos) return "";
  const std::size_t last = text.find_last_not_of(" _");
  return text.substr(first, last - first + 1);
}

struct OrderEntry {
  std::string number;
  std::string stations;
  std::string post;
  std::string speed;
  std::string length;
  bool operator==(const OrderEntry&) const = default;
};

inline void PrintTo(const OrderEntry& e, std::ostream* os) {
  *os << "{" << e.number << ", " << e.stations << ", " << e.post << ", " << e.speed << ", "
      << e.length << "}";
}

struct ReadOrder {
  std::string line_heading;  // "Linea  ..."
  std::string train_line;    // "Si ordina ..."
  std::vector<OrderEntry> entries;
  std::size_t entry_lines = 0;  // empty ones included
};

// The order's table: heading lines down to the rule under "chilometrico",
// then entry lines down to the bottom rule; every table line 82 characters
// with seven bars.
inline ReadOrder read_order(const std::string& bytes) {
  const std::vector<std::string> lines = crlf_lines(bytes);
  ReadOrder order;
  std::size_t i = 0;
  for (; i < lines.size() && lines[i].find("chilometrico") == std::string::npos; ++i) {
    if (lines[i].rfind(" Linea  ", 0) == 0) order.line_heading = lines[i].substr(1);
    if (lines[i].rfind(" Si ordina", 0) == 0) order.train_line = lines[i].substr(1);
  }
  i += 2;  // the rule under the heading
  for (; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    EXPECT_EQ(line.size(), 82u) << line;
    const std::vector<std::string> cells = cells_of(line);
    EXPECT_EQ(cells.size(), 6u) << line;
    if (cells.size() != 6) break;
    if (line.find("|___|") != std::string::npos) return order;  // the bottom rule
    ++order.entry_lines;
    if (trim(cells[0]).empty()) continue;
    order.entries.push_back(
        {trim(cells[0]), trim(cells[1]), trim(cells[2]), trim(cells[3]), trim(cells[4])});
  }
  ADD_FAILURE() << "the order's table has no bottom rule";
  return order;
}

struct SheetLine {
  std::string speed;        // left track's maximum speed
  std::string progressive;  // as drawn, "/" mark kept
  std::string mark;         // the two-way column
  std::string name;
  std::string timetable;
  std::string right_speed;
  std::string coding;  // the 7 characters as drawn (underscores for blanks on the bottom rule)
};

struct SheetPage {
  std::string title;  // "Scheda n° 1/2"
  std::string from;   // after "Da:"
  std::string to;     // after "a:"
  std::vector<SheetLine> lines;
};

// The pages: each from its title to the 32 body lines under the heading
// whose last line holds "_DX__"; every body line 83 characters, nine bars.
inline std::vector<SheetPage> read_sheet(const std::string& bytes) {
  const std::vector<std::string> lines = crlf_lines(bytes);
  std::vector<SheetPage> pages;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t title = line.find("Scheda n\xb0 ");
    if (title != std::string::npos) {
      pages.emplace_back();
      pages.back().title = trim(line.substr(title, 20));
      const std::size_t bar = pages.back().title.find('|');
      if (bar != std::string::npos) pages.back().title = trim(pages.back().title.substr(0, bar));
      continue;
    }
    if (pages.empty()) continue;
    const std::size_t from = line.find("Da: ");
    if (from != std::string::npos)
      pages.back().from = trim(line.substr(from + 4, line.find('|', from) - from - 4));
    const std::size_t to = line.find(" a:  ");
    if (to != std::string::npos)
      pages.back().to = trim(line.substr(to + 5, line.find('|', to) - to - 5));
    if (line.find("_DX__") == std::string::npos) continue;
    for (std::size_t n = 1; n <= 32; ++n) {
      if (i + n >= lines.size()) {
        ADD_FAILURE() << "page " << pages.size() << " ends after " << n - 1 << " body lines";
        return pages;
      }
      const std::string& body = lines[i + n];
      EXPECT_EQ(body.size(), 83u) << body;
      const std::vector<std::string> cells = cells_of(body);
      EXPECT_EQ(cells.size(), 8u) << body;
      if (cells.size() != 8) return pages;
      pages.back().lines.push_back(
          {trim(cells[0]), cells[2], cells[3], trim(cells[4]), trim(cells[5]), cells[6], cells[7]});
    }
    i += 32;
  }
  return pages;
}

}  // namespace borgo::tools::drafting::testing
