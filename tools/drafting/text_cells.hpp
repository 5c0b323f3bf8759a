#pragma once

// The pieces the service documents are drawn from: text laid into a cell of
// fixed width and clock times as the documents write them (kilometres are
// tools/shared/kilometres.hpp's).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/shared/kilometres.hpp"

namespace borgo::tools::drafting {

// `text` in a cell `width` characters wide: against its left or its right
// edge, or in its middle with the odd blank after it. Text longer than the
// cell is cut to it: whoever lays a name that may not fit says so first.
std::string left_in(std::string_view text, std::size_t width);
std::string right_in(std::string_view text, std::size_t width);
std::string centred_in(std::string_view text, std::size_t width);

// A line cell's blanks drawn as the rule under the table: every blank an
// underscore, every other character kept.
std::string as_rule(std::string_view cell);

// A time of day, seconds from midnight, as hours and minutes ("9.05",
// "14.25"); the seconds are dropped, and a time past midnight or before it is
// taken on the clock's face.
std::string clock_time(std::int64_t seconds);

}  // namespace borgo::tools::drafting
