#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "storage/byte_sink.hpp"

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

// A compiled file's bytes on their way to a sink, gathered into chunks small
// enough to stay in cache: a file is made while it is written, and is never
// whole in memory. Every chunk but the last is exactly kChunk bytes, so that
// each write to a file covers whole, aligned blocks of it: a file system
// takes such writes without splitting its pages (on ext4, a tenth of a
// millisecond a megabyte less than writes a few bytes short).
class ChunkWriter {
 public:
  static constexpr std::size_t kChunk = 64 * 1024;

  explicit ChunkWriter(storage::ByteSink& sink) : sink_(sink) {}
  ChunkWriter(const ChunkWriter&) = delete;
  ChunkWriter& operator=(const ChunkWriter&) = delete;

  // The next `n` bytes, for the caller to fill at once. They may run past
  // the end of the chunk being filled, by at most a chunk (n at most
  // room() + kChunk); what runs past begins the next.
  char* claim(std::size_t n) {
    hand_over_full_chunk();
    char* at = buffer_.data() + used_;
    used_ += n;
    return at;
  }

  // Bytes left before the chunk being filled is full, for a caller claiming
  // many at once.
  std::size_t room() const { return used_ < kChunk ? kChunk - used_ : 2 * kChunk - used_; }

  // Where the next byte claimed or put lands in the whole content.
  std::uint64_t position() const { return written_ + used_; }

  // Bytes of any length.
  void put(std::string_view bytes) {
    while (!bytes.empty()) {
      hand_over_full_chunk();
      const std::size_t n = std::min(kChunk - used_, bytes.size());
      std::memcpy(buffer_.data() + used_, bytes.data(), n);
      used_ += n;
      bytes.remove_prefix(n);
    }
  }

  // Hands over what is left; returns every byte written.
  std::uint64_t finish() {
    hand_over_full_chunk();
    if (used_ != 0) sink_.write({buffer_.data(), used_});
    written_ += used_;
    used_ = 0;
    return written_;
  }

 private:
  // A full chunk goes to the sink; the bytes claimed past it move to the
  // front, to begin the next.
  void hand_over_full_chunk() {
    if (used_ < kChunk) return;
    sink_.write({buffer_.data(), kChunk});
    written_ += kChunk;
    used_ -= kChunk;
    std::memmove(buffer_.data(), buffer_.data() + kChunk, used_);
  }

  storage::ByteSink& sink_;
  std::array<char, 2 * kChunk> buffer_;  // a chunk, and room for a claim past its end
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
};

}  // namespace borgo::compiler
