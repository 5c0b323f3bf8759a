#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "compiler/large_block.hpp"

namespace borgo::compiler {

// Stores `v` at `at` in little-endian order; returns the byte after it.
template <typename Unsigned>
char* store_le(char* at, Unsigned v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(at, &v, sizeof v);  // one store
  } else {
    for (std::size_t i = 0; i < sizeof v; ++i) at[i] = static_cast<char>(v >> (8 * i));
  }
  return at + sizeof v;
}

// A little-endian binary buffer of a size known in advance: a compiled file
// is built here in one allocation, then written in one call.
class ByteBuffer {
 public:
  explicit ByteBuffer(std::size_t size) : bytes_(size), at_(bytes_.data()) {}
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  void put_u8(std::uint8_t v) { put_le(v); }
  void put_u16(std::uint16_t v) { put_le(v); }
  void put_i16(std::int16_t v) { put_le(static_cast<std::uint16_t>(v)); }
  void put_i32(std::int32_t v) { put_le(static_cast<std::uint32_t>(v)); }
  void put_f64(double v) { put_le(std::bit_cast<std::uint64_t>(v)); }
  // A 16-bit length, then the single-byte characters.
  void put_string(std::string_view text) {
    put_u16(static_cast<std::uint16_t>(text.size()));
    room_for(text.size());
    at_ = std::copy(text.begin(), text.end(), at_);
  }

  // The bytes, which must fill the size given at the start.
  FileBytes take() {
    if (at_ != bytes_.data() + bytes_.size()) {
      throw std::logic_error("a compiled file's bytes fall short of its computed size");
    }
    return std::move(bytes_);
  }

 private:
  char* room_for(std::size_t n) {
    if (static_cast<std::size_t>(bytes_.data() + bytes_.size() - at_) < n) {
      throw std::logic_error("a compiled file's bytes overrun its computed size");
    }
    return at_;
  }

  template <typename Unsigned>
  void put_le(Unsigned v) {
    at_ = store_le(room_for(sizeof v), v);
  }

  FileBytes bytes_;
  char* at_;
};

}  // namespace borgo::compiler
