#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace borgo::tools {

// The catalog of error numbers as a markdown table (number, name, meaning),
// one row per error in ascending order: the README's table, so that what
// authors read is what the compiler reports.
std::string error_table_markdown();

// The README's error table: the run of lines beginning with '|' that first
// follows the "## Error numbers" heading, before any other heading; nullopt
// when there is none.
std::optional<std::string_view> readme_error_table(std::string_view readme);

// `readme` with its error table made anew from the catalog and nothing else
// changed; nullopt when it has no error table.
std::optional<std::string> with_current_error_table(std::string_view readme);

}  // namespace borgo::tools
