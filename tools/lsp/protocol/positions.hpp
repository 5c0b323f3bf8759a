#pragma once

// Columns as the client counts them. A position's character is counted in
// the units of the encoding the client and the server agreed on: UTF-16
// code units unless the client offers another; the server counts characters
// or bytes in the text it holds.

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace borgo::tools::lsp {

enum class PositionEncoding : std::uint8_t { kUtf8, kUtf16, kUtf32 };

std::string_view encoding_name(PositionEncoding encoding);  // "utf-16"

// The encoding to use: the first of the client's general.positionEncodings
// the server knows, UTF-16 when it names none.
PositionEncoding negotiated_encoding(const nlohmann::json& client_capabilities);

// How a line of UTF-8 text is counted on the server's side: by characters
// (a document held in Windows-1252, one byte a character) or by bytes.
enum class Counted : std::uint8_t { kCharacters, kBytes };

// The client's units that the first `count` characters (or bytes) of `line`
// take. Bytes that are not UTF-8 count as one character of one unit each;
// past the line's end, the line's length.
std::int64_t units_before(std::string_view line, std::size_t count, Counted counted,
                          PositionEncoding encoding);

// The characters (or bytes) before the client's unit `units` of `line`: a
// unit inside a character counts from that character's start; past the end,
// the line's length.
std::size_t count_before(std::string_view line, std::int64_t units, Counted counted,
                         PositionEncoding encoding);

}  // namespace borgo::tools::lsp
