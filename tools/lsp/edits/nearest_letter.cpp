#include "tools/lsp/edits/nearest_letter.hpp"

#include <string_view>

namespace borgo::tools::lsp {
namespace {

// U+0100 to U+017F, the accented Latin letters of Europe, by their plain
// letter; '.' where Windows-1252 holds the letter itself (Œ, Š, Ÿ, Ž).
constexpr std::string_view kLatinExtendedA =
    "AaAaAaCcCcCcCcDd"   // U+0100
    "DdEeEeEeEeEeGgGg"   // U+0110
    "GgGgHhHhIiIiIiIi"   // U+0120
    "IiIiJjKkkLlLlLlL"   // U+0130
    "lLlNnNnNnnNnOoOo"   // U+0140
    "Oo..RrRrRrSsSsSs"   // U+0150
    "..TtTtTtUuUuUuUu"   // U+0160
    "UuUuWwYy.ZzZz..s";  // U+0170

}  // namespace

std::optional<std::string> nearest_1252_letter(char32_t lacking) {
  switch (lacking) {
    case U'\u0150':
      return "\xC3\x96";  // Ő → Ö
    case U'\u0151':
      return "\xC3\xB6";  // ő → ö
    case U'\u0170':
      return "\xC3\x9C";  // Ű → Ü
    case U'\u0171':
      return "\xC3\xBC";  // ű → ü
    case U'\u0218':
      return "S";  // Ș
    case U'\u0219':
      return "s";
    case U'\u021A':
      return "T";  // Ț
    case U'\u021B':
      return "t";
    case U'\u2010':
    case U'\u2011':
    case U'\u2212':
      return "-";  // hyphens and the minus sign
    default:
      break;
  }
  if (lacking >= U'\u0100' && lacking <= U'\u017F') {
    const char plain = kLatinExtendedA[lacking - U'\u0100'];
    if (plain != '.') return std::string(1, plain);
  }
  return std::nullopt;
}

}  // namespace borgo::tools::lsp
