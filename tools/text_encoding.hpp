#pragma once

#include <string>
#include <string_view>

namespace borgo::tools {

// The documents and the compiled files hold single-byte Windows-1252 text; a
// terminal, a JSON reader and an SVG viewer want UTF-8.
std::string utf8_from_1252(std::string_view text);

// The same text quoted for JSON: "...", with escapes.
std::string json_string(std::string_view utf8);

// The same text with the five XML specials escaped.
std::string xml_escaped(std::string_view utf8);

}  // namespace borgo::tools
