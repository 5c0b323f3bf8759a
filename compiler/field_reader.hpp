#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace borgo::compiler {

// Where a field began: 1-based line and byte column of its first character
// (after the leading blanks).
struct FieldLocation {
  std::int32_t line = 0;
  std::int32_t column = 0;
  // Ordered as the text runs: by line, then by column.
  auto operator<=>(const FieldLocation&) const = default;
};

// Where the byte at `offset` stands, counting lines as FieldReader does
// (CR LF, a lone LF or a lone CR ends a line).
FieldLocation location_of(std::string_view bytes, std::size_t offset);

// Reads a description one delimited field at a time, as the documents'
// format defines it:
// - a field ends at a comma or at a line end (CR LF, or a lone LF or CR);
// - leading blanks (spaces only) are skipped; a text field that begins with a
//   double quote ends at the closing quote;
// - a number ends at the first blank, comma or line end; after a blank, the
//   following blanks and a comma or line end right after them belong to it;
// - an empty field reads as 0 or as empty text.
// Reading a field at the end of the document, text in a numeric field and a
// number too large for its field are run-time failures (RuntimeFailure).
class FieldReader {
 public:
  explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}

  // True once the read position has reached the end of the document.
  bool at_end() const { return pos_ >= bytes_.size(); }

  // A text field; unquoted text loses its trailing blanks. The view points
  // into the document.
  std::string_view read_text();
  std::int32_t read_i32();
  std::int16_t read_i16();
  std::uint8_t read_u8();

  // Where the last field read began.
  FieldLocation last_field() const { return last_field_; }

  // Where the next field will begin, without reading it.
  FieldLocation next_field() const;

  // How the last numeric field ended: true when its delimiter was a comma.
  // A decimal comma shows as a number ended by a comma and followed by digits.
  bool last_number_ended_at_comma() const { return last_ended_at_comma_; }

 private:
  std::int64_t read_number(std::int64_t min, std::int64_t max);
  void skip_blanks();
  void begin_field();
  bool at_line_end() const;
  void consume_line_end();
  void finish_after_blanks();

  std::string_view bytes_;
  std::size_t pos_ = 0;
  std::int32_t line_ = 1;
  std::size_t line_start_ = 0;
  FieldLocation last_field_;
  bool last_ended_at_comma_ = false;
};

}  // namespace borgo::compiler
