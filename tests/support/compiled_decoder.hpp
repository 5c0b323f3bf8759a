#pragma once

// Reads the compiled files back, independently of the writer, for tests.

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace borgo::testing {

class LittleEndianReader {
 public:
  explicit LittleEndianReader(std::string_view bytes) : bytes_(bytes) {}
  bool done() const { return pos_ == bytes_.size(); }
  std::size_t position() const { return pos_; }
  std::uint64_t unsigned_of(std::size_t width) {
    if (pos_ + width > bytes_.size()) throw std::out_of_range("truncated");
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) {
      v |= std::uint64_t{static_cast<unsigned char>(bytes_[pos_ + i])} << (8 * i);
    }
    pos_ += width;
    return v;
  }
  std::uint8_t u8() { return static_cast<std::uint8_t>(unsigned_of(1)); }
  std::uint16_t u16() { return static_cast<std::uint16_t>(unsigned_of(2)); }
  std::int16_t i16() { return static_cast<std::int16_t>(unsigned_of(2)); }
  std::int32_t i32() { return static_cast<std::int32_t>(unsigned_of(4)); }
  double f64() {
    const std::uint64_t raw = unsigned_of(8);
    double v;
    std::memcpy(&v, &raw, sizeof v);
    return v;
  }
  std::string text(std::size_t n) {
    if (pos_ + n > bytes_.size()) throw std::out_of_range("truncated");
    std::string s(bytes_.substr(pos_, n));
    pos_ += n;
    return s;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

struct DecodedCell {
  std::uint8_t kind;
  std::int16_t value1, value2, value3, value4;
  std::uint8_t signal_time, approach_mark, mountain_type, speed_code, gradient_code, adhesion;
};

inline std::vector<DecodedCell> decode_cells(std::string_view bytes) {
  LittleEndianReader in(bytes);
  std::vector<DecodedCell> cells;
  while (!in.done()) {
    DecodedCell c{};
    c.kind = in.u8();
    c.value1 = in.i16();
    c.value2 = in.i16();
    c.value3 = in.i16();
    c.value4 = in.i16();
    c.signal_time = in.u8();
    c.approach_mark = in.u8();
    c.mountain_type = in.u8();
    c.speed_code = in.u8();
    c.gradient_code = in.u8();
    c.adhesion = in.u8();
    cells.push_back(c);
  }
  return cells;
}

struct DecodedItem {
  std::size_t offset;  // where the record begins in the file
  std::uint8_t kind;
  std::int32_t start, end, position;
  std::uint8_t flag;
  std::string text;
  std::int16_t int1, int2, int3, int4, int5;
  std::uint8_t byte1, byte2, byte3, byte4;
  std::int32_t seconds;
};

inline std::vector<DecodedItem> decode_items(std::string_view bytes) {
  LittleEndianReader in(bytes);
  std::vector<DecodedItem> items;
  while (!in.done()) {
    DecodedItem it{};
    it.offset = in.position();
    it.kind = in.u8();
    it.start = in.i32();
    it.end = in.i32();
    it.position = in.i32();
    it.flag = in.u8();
    it.text = in.text(in.u16());
    it.int1 = in.i16();
    it.int2 = in.i16();
    it.int3 = in.i16();
    it.int4 = in.i16();
    it.int5 = in.i16();
    it.byte1 = in.u8();
    it.byte2 = in.u8();
    it.byte3 = in.u8();
    it.byte4 = in.u8();
    it.seconds = in.i32();
    items.push_back(it);
  }
  return items;
}

struct DecodedPlanEntry {
  std::uint16_t type;  // 0 unset, 2 int16, 5 double
  double value;
};

inline std::vector<DecodedPlanEntry> decode_line_plan(std::string_view bytes) {
  LittleEndianReader in(bytes);
  std::vector<DecodedPlanEntry> entries;
  while (!in.done()) {
    DecodedPlanEntry e{in.u16(), 0.0};
    if (e.type == 5)
      e.value = in.f64();
    else if (e.type == 2)
      e.value = in.i16();
    else if (e.type != 0)
      throw std::runtime_error("unknown type code");
    entries.push_back(e);
  }
  return entries;
}

}  // namespace borgo::testing
