#pragma once

// The slow-down order drafted from the descriptions: every slow-down in route
// order, numbered, with the station(s) that enclose it, the kilometre post
// before its start, its speed and length, in the package's own layout.

#include <string>
#include <string_view>
#include <vector>

#include "tools/drafting/route_facts.hpp"
#include "tools/drafting/sheet_settings.hpp"

namespace borgo::tools::drafting {

// A drafted document: its bytes (Windows-1252, CR LF) and what the author
// should look at (UTF-8), one note a line.
struct Draft {
  std::string bytes;
  std::vector<std::string> notes;
};

// The entry lines the order's table holds; more slow-downs add lines.
inline constexpr std::size_t kOrderEntryLines = 26;

// The line's name as the order shows it: the settings' "linea", else the
// line's name with "_" shown as "-".
std::string line_shown(const SheetSettings& settings, std::string_view line_name);

// The station, or the two stations, that enclose a slow-down from `start` to
// `end`: the station whose zone it touches, else the stations before and
// after it ("A - B").
std::string enclosing_stations(const RouteFacts& facts, std::int64_t start, std::int64_t end);

Draft draft_slow_down_order(const RouteFacts& facts, const SheetSettings& settings,
                            std::string_view line_name, std::string_view train_name);

}  // namespace borgo::tools::drafting
