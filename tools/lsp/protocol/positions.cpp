#include "tools/lsp/protocol/positions.hpp"

#include <string>

namespace borgo::tools::lsp {
namespace {

// One character of UTF-8 text: its length in bytes and in the client's units.
struct Character {
  std::size_t bytes = 1;
  std::int64_t units = 1;
};

Character character_at(std::string_view line, std::size_t i, PositionEncoding encoding) {
  const auto lead = static_cast<unsigned char>(line[i]);
  std::size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  }
  if (i + length > line.size()) length = 1;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80) length = 1;
  }
  switch (encoding) {
    case PositionEncoding::kUtf8:
      return {length, static_cast<std::int64_t>(length)};
    case PositionEncoding::kUtf16:
      return {length, length == 4 ? 2 : 1};
    case PositionEncoding::kUtf32:
      break;
  }
  return {length, 1};
}

}  // namespace

std::string_view encoding_name(PositionEncoding encoding) {
  switch (encoding) {
    case PositionEncoding::kUtf8:
      return "utf-8";
    case PositionEncoding::kUtf16:
      return "utf-16";
    case PositionEncoding::kUtf32:
      break;
  }
  return "utf-32";
}

PositionEncoding negotiated_encoding(const nlohmann::json& client_capabilities) {
  const nlohmann::json* offered = nullptr;
  if (client_capabilities.is_object()) {
    const auto general = client_capabilities.find("general");
    if (general != client_capabilities.end() && general->is_object()) {
      const auto encodings = general->find("positionEncodings");
      if (encodings != general->end() && encodings->is_array()) offered = &*encodings;
    }
  }
  if (offered != nullptr) {
    for (const nlohmann::json& name : *offered) {
      if (!name.is_string()) continue;
      for (const PositionEncoding known :
           {PositionEncoding::kUtf8, PositionEncoding::kUtf16, PositionEncoding::kUtf32}) {
        if (name.get_ref<const std::string&>() == encoding_name(known)) return known;
      }
    }
  }
  return PositionEncoding::kUtf16;
}

std::int64_t units_before(std::string_view line, std::size_t count, Counted counted,
                          PositionEncoding encoding) {
  std::int64_t units = 0;
  std::size_t counted_so_far = 0;
  for (std::size_t i = 0; i < line.size();) {
    const Character c = character_at(line, i, encoding);
    counted_so_far += counted == Counted::kBytes ? c.bytes : 1;
    if (counted_so_far > count) break;
    units += c.units;
    i += c.bytes;
  }
  return units;
}

std::size_t count_before(std::string_view line, std::int64_t units, Counted counted,
                         PositionEncoding encoding) {
  std::int64_t units_so_far = 0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < line.size();) {
    const Character c = character_at(line, i, encoding);
    units_so_far += c.units;
    if (units_so_far > units) break;
    count += counted == Counted::kBytes ? c.bytes : 1;
    i += c.bytes;
  }
  return count;
}

}  // namespace borgo::tools::lsp
