#pragma once

#include <algorithm>
#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>

#include "port/large_block.hpp"

namespace borgo::compiler {

// The bytes of a compiled file: one block of the file's final size, left
// uncleared because every byte of it is written once.
class FileBytes {
 public:
  FileBytes() = default;
  explicit FileBytes(std::size_t size)
      : bytes_(size != 0 ? static_cast<char*>(port::allocate_large_block(size)) : nullptr),
        size_(size) {}
  FileBytes(FileBytes&& other) noexcept
      : bytes_(std::exchange(other.bytes_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  FileBytes& operator=(FileBytes&& other) noexcept {
    std::swap(bytes_, other.bytes_);
    std::swap(size_, other.size_);
    return *this;
  }
  ~FileBytes() {
    if (bytes_ != nullptr) port::free_large_block(bytes_, size_);
  }

  char* data() { return bytes_; }
  const char* data() const { return bytes_; }
  std::size_t size() const { return size_; }
  char operator[](std::size_t i) const { return bytes_[i]; }
  operator std::string_view() const { return {bytes_, size_}; }

 private:
  char* bytes_ = nullptr;
  std::size_t size_ = 0;
};

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

  // Any fixed-width integer, in its own width.
  template <std::integral T>
  void put(T v) {
    put_le(static_cast<std::make_unsigned_t<T>>(v));
  }
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

  // The next `n` bytes, checked against the room left, for the caller to fill.
  char* claim(std::size_t n) {
    char* at = room_for(n);
    at_ += n;
    return at;
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
