#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace borgo::compiler {

// A little-endian binary buffer: the compiled files are built here, then
// written in one call.
class ByteBuffer {
 public:
  void reserve(std::size_t bytes) { bytes_.reserve(bytes); }
  void put_u8(std::uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void put_u16(std::uint16_t v) { put_le(v); }
  void put_i16(std::int16_t v) { put_le(static_cast<std::uint16_t>(v)); }
  void put_i32(std::int32_t v) { put_le(static_cast<std::uint32_t>(v)); }
  void put_f64(double v) { put_le(std::bit_cast<std::uint64_t>(v)); }
  // A 16-bit length, then the single-byte characters.
  void put_string(std::string_view text) {
    put_u16(static_cast<std::uint16_t>(text.size()));
    bytes_.append(text);
  }

  const std::string& bytes() const { return bytes_; }
  std::string take() { return std::move(bytes_); }

 private:
  template <typename Unsigned>
  void put_le(Unsigned v) {
    char raw[sizeof(Unsigned)];
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) raw[i] = static_cast<char>(v >> (8 * i));
    bytes_.append(raw, sizeof raw);
  }

  std::string bytes_;
};

}  // namespace borgo::compiler
