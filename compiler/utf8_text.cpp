#include "compiler/utf8_text.hpp"

#include <algorithm>
#include <cwchar>
#include <locale>

namespace borgo::compiler {

std::optional<std::u32string> decode_utf8(std::string_view bytes) {
  // The standard facet checks the sequences' shape, overlong forms and the
  // range; every locale has it. It lets encoded surrogates through, which
  // UTF-8 forbids, so they are looked for after it.
  using Facet = std::codecvt<char32_t, char8_t, std::mbstate_t>;
  const Facet& facet = std::use_facet<Facet>(std::locale::classic());
  // A copy, since char8_t may not alias the caller's chars.
  const std::u8string input(bytes.begin(), bytes.end());
  std::u32string decoded(input.size(), U'\0');  // never more code points than bytes
  std::mbstate_t state{};
  const char8_t* from_next = input.data();
  char32_t* to_next = decoded.data();
  const Facet::result result = facet.in(state, input.data(), input.data() + input.size(), from_next,
                                        decoded.data(), decoded.data() + decoded.size(), to_next);
  if (result != Facet::ok || from_next != input.data() + input.size()) return std::nullopt;
  decoded.resize(static_cast<std::size_t>(to_next - decoded.data()));
  for (const char32_t c : decoded) {
    if (c >= 0xD800 && c <= 0xDFFF) return std::nullopt;
  }
  return decoded;
}

std::optional<std::size_t> first_utf8_letter(std::string_view bytes) {
  const auto high = std::find_if(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (high == bytes.end() || !decode_utf8(bytes)) return std::nullopt;
  return static_cast<std::size_t>(high - bytes.begin());
}

}  // namespace borgo::compiler
