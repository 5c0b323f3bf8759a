#include "tools/shared/text_encoding.hpp"

#ifdef _WIN32
#include <windows.h>

#include <climits>
#endif

#include <array>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "compiler/utf8_text.hpp"

namespace borgo::tools {
namespace {

// Code points of 0x80 .. 0x9F; the five unused bytes become U+FFFD.
constexpr std::array<char32_t, 32> kHighControls{
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The Windows-1252 byte of a code point, or nullopt when the code page lacks it.
std::optional<char> byte_1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c && c != 0xFFFD) return static_cast<char>(0x80 + i);
  }
  return std::nullopt;
}

}  // namespace

std::string utf8_from_1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    append_utf8(out, c >= 0x80 && c <= 0x9F ? kHighControls[c - 0x80] : char32_t{c});
  }
  return out;
}

Windows1252Text windows_1252_from_utf8(std::string_view utf8) {
  const std::optional<std::u32string> decoded = compiler::decode_utf8(utf8);
  if (!decoded) return {};
  std::string text;
  text.reserve(decoded->size());
  for (const char32_t c : *decoded) {
    const std::optional<char> byte = byte_1252(c);
    if (!byte) {
      Windows1252Text refused;
      append_utf8(refused.unheld, c);
      return refused;
    }
    text += *byte;
  }
  return {std::move(text), {}};
}

Windows1252Copy windows_1252_copy(std::string_view utf8, char stand_in) {
  Windows1252Copy copy;
  copy.text.reserve(utf8.size());
  const auto unheld = [&] {
    if (copy.unheld++ == 0) copy.first_unheld = copy.text.size();
    copy.text += stand_in;
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const std::optional<std::u32string> decoded =
        lead >= 0xC0 && lead < 0xF8 ? compiler::decode_utf8(utf8.substr(i, length))
                                    : std::optional<std::u32string>();
    if (lead < 0x80) {
      copy.text += static_cast<char>(lead);
      ++i;
    } else if (decoded && decoded->size() == 1) {
      const std::optional<char> byte = byte_1252((*decoded)[0]);
      if (byte) {
        copy.text += *byte;
      } else {
        unheld();
      }
      i += length;
    } else {
      unheld();
      ++i;
    }
  }
  return copy;
}

#ifdef _WIN32
const std::string_view kPlatformEncoding = "text in the ANSI code page";

Windows1252Text windows_1252_from_platform(std::string_view text) {
  // Through UTF-16 to UTF-8, whose letters the code page's table is read by.
  if (text.empty()) return {std::string(), {}};
  if (text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int units =
      ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), units);
  const int bytes = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), units,
                                          nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), units, utf8.data(), bytes,
                        nullptr, nullptr);
  return windows_1252_from_utf8(utf8);
}
#else
const std::string_view kPlatformEncoding = "UTF-8";

Windows1252Text windows_1252_from_platform(std::string_view text) {
  return windows_1252_from_utf8(text);
}
#endif

std::string json_string(std::string_view utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

std::string xml_escaped(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        // Control characters other than tab and line ends are not allowed in XML.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') out += c;
    }
  }
  return out;
}

}  // namespace borgo::tools
