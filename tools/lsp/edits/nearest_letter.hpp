#pragma once

// The Windows-1252 letter nearest to one Windows-1252 lacks: the same
// letter without its accent ("ł" → "l", "č" → "c"), or with the accent
// Windows-1252 has ("ő" → "ö").

#include <optional>
#include <string>

namespace borgo::tools::lsp {

// The letter (UTF-8) for the code point `lacking`; nullopt when none is
// near enough (a letter of another alphabet, a symbol).
std::optional<std::string> nearest_1252_letter(char32_t lacking);

}  // namespace borgo::tools::lsp
