#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace borgo::compiler {

// The code points of UTF-8 text, or nullopt when the bytes are not UTF-8: a
// stray or missing continuation byte, an overlong form, a surrogate, a code
// point past U+10FFFF, a sequence cut off at the end. Windows-1252 text with
// a letter above 127 is almost never valid UTF-8, which tells the two apart.
std::optional<std::u32string> decode_utf8(std::string_view bytes);

// Where the first letter beyond ASCII begins in text saved as UTF-8: the
// offset of the first byte above 127, when there is one and the bytes are
// UTF-8 as a whole; nullopt for ASCII text and for text that is not UTF-8.
std::optional<std::size_t> first_utf8_letter(std::string_view bytes);

}  // namespace borgo::compiler
