#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace borgo::tools {

// The documents and the compiled files hold single-byte Windows-1252 text; a
// terminal, a JSON reader and an SVG viewer want UTF-8.
std::string utf8_from_1252(std::string_view text);

// UTF-8 text, such as a name on the command line, in Windows-1252: `text`,
// or nullopt when it cannot be had; then `unheld` is the first character
// (in UTF-8) that Windows-1252 lacks, or empty when the input is not UTF-8.
struct Windows1252Text {
  std::optional<std::string> text;
  std::string unheld;
};
Windows1252Text windows_1252_from_utf8(std::string_view utf8);

// UTF-8 text in Windows-1252 with one byte for each character, so that a
// character's place in the one is its place in the other: a character the
// code page lacks becomes `stand_in`. `unheld` counts those characters and
// `first_unheld` is the index of the first; bytes that are not UTF-8 each
// count as one unheld character.
struct Windows1252Copy {
  std::string text;
  std::size_t unheld = 0;
  std::size_t first_unheld = 0;
};
Windows1252Copy windows_1252_copy(std::string_view utf8, char stand_in = '?');

// The encoding of the narrow text the system hands a program, such as its
// arguments, and in which std::filesystem reads a narrow path: UTF-8 on
// Linux, the ANSI code page on Windows.
extern const std::string_view kPlatformEncoding;

// The same from text in the platform's encoding; `unheld` empty when the
// text is not valid in it.
Windows1252Text windows_1252_from_platform(std::string_view text);

// The same text quoted for JSON: "...", with escapes.
std::string json_string(std::string_view utf8);

// The same text with the five XML specials escaped.
std::string xml_escaped(std::string_view utf8);

}  // namespace borgo::tools
