#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace borgo::tools {

// A flat record of named values, written as "name=value" pairs for people or
// as a JSON object for scripts, so both outputs say the same.
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;  // monostate: null
using Record = std::vector<std::pair<std::string, Value>>;

void write_json(std::ostream& out, const Value& value);
void write_json(std::ostream& out, const Record& record);
// "name=value" pairs, blank-separated; text in double quotes.
void write_text(std::ostream& out, const Record& record);

}  // namespace borgo::tools
