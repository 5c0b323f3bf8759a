#include "compiler/field_reader.hpp"

#include <algorithm>
#include <limits>
#include <string>

#include "compiler/runtime_failure.hpp"

namespace borgo::compiler {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A tab looks like a blank in an editor, but only spaces separate fields:
// a number with a tab beside it reads as text, and the author should hear why.
RuntimeFailure number_failure(std::string_view token, std::string what) {
  if (token.find('\t') != std::string_view::npos) what += " (a tab is not a blank here)";
  return RuntimeFailure(what);
}

std::int32_t clamped(std::size_t n) {
  return static_cast<std::int32_t>(
      std::min<std::size_t>(n, static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())));
}

}  // namespace

FieldLocation location_of(std::string_view bytes, std::size_t offset) {
  std::size_t line = 1;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    const bool lone_cr = bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n');
    if (bytes[i] == '\n' || lone_cr) {
      ++line;
      line_start = i + 1;
    }
  }
  return {clamped(line), clamped(offset - line_start + 1)};
}

void FieldReader::skip_blanks() {
  while (pos_ < bytes_.size() && bytes_[pos_] == ' ') ++pos_;
}

bool FieldReader::at_line_end() const {
  return pos_ < bytes_.size() && (bytes_[pos_] == '\r' || bytes_[pos_] == '\n');
}

void FieldReader::consume_line_end() {
  if (bytes_[pos_] == '\r' && pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
  ++line_;
  line_start_ = pos_;
}

FieldLocation FieldReader::next_field() const {
  std::size_t p = pos_;
  while (p < bytes_.size() && bytes_[p] == ' ') ++p;
  return {line_, static_cast<std::int32_t>(p - line_start_ + 1)};
}

void FieldReader::begin_field() {
  skip_blanks();
  if (at_end()) {
    throw RuntimeFailure("reading past the end of the document (line " + std::to_string(line_) +
                         ")");
  }
  last_field_ = {line_, static_cast<std::int32_t>(pos_ - line_start_ + 1)};
}

// After a field that ended at a blank: the following blanks, then a comma or
// a line end, still belong to it.
void FieldReader::finish_after_blanks() {
  skip_blanks();
  if (at_end()) return;
  if (bytes_[pos_] == ',') {
    ++pos_;
    last_ended_at_comma_ = true;
  } else if (at_line_end()) {
    consume_line_end();
  }
}

std::string_view FieldReader::read_text() {
  begin_field();
  if (bytes_[pos_] == '"') {
    const std::size_t start = pos_ + 1;
    std::size_t close = bytes_.find('"', start);
    if (close == std::string_view::npos) close = bytes_.size();
    std::string_view text = bytes_.substr(start, close - start);
    // A quoted field may span lines: keep the line count right.
    for (std::size_t i = start; i < close; ++i) {
      if (bytes_[i] == '\n' || (bytes_[i] == '\r' && (i + 1 >= close || bytes_[i + 1] != '\n'))) {
        ++line_;
        line_start_ = i + 1;
      }
    }
    pos_ = close < bytes_.size() ? close + 1 : close;
    last_ended_at_comma_ = false;
    finish_after_blanks();
    return text;
  }
  const std::size_t start = pos_;
  while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !at_line_end()) ++pos_;
  std::string_view text = bytes_.substr(start, pos_ - start);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (pos_ < bytes_.size()) {
    if (bytes_[pos_] == ',') {
      ++pos_;
    } else {
      consume_line_end();
    }
  }
  return text;
}

std::int64_t FieldReader::read_number(std::int64_t min, std::int64_t max) {
  begin_field();
  const std::size_t start = pos_;
  while (pos_ < bytes_.size() && bytes_[pos_] != ' ' && bytes_[pos_] != ',' && !at_line_end()) {
    ++pos_;
  }
  const std::string_view token = bytes_.substr(start, pos_ - start);
  last_ended_at_comma_ = false;
  if (pos_ < bytes_.size()) {
    if (bytes_[pos_] == ',') {
      ++pos_;
      last_ended_at_comma_ = true;
    } else if (at_line_end()) {
      consume_line_end();
    } else {
      finish_after_blanks();
    }
  }
  if (token.empty()) return 0;

  std::size_t i = 0;
  const bool negative = token[0] == '-';
  if (token[0] == '-' || token[0] == '+') ++i;
  if (i == token.size()) {
    throw number_failure(token, "text \"" + std::string(token) + "\" in a numeric field");
  }
  std::int64_t value = 0;
  for (; i < token.size(); ++i) {
    if (!is_digit(token[i])) {
      throw number_failure(token, "text \"" + std::string(token) + "\" in a numeric field");
    }
    value = value * 10 + (token[i] - '0');
    if (value > max - min) break;  // far outside any field: stop before it overflows
  }
  if (negative) value = -value;
  if (value < min || value > max || i < token.size()) {
    throw number_failure(token, "number " + std::string(token) + " too large for its field");
  }
  return value;
}

std::int32_t FieldReader::read_i32() {
  return static_cast<std::int32_t>(read_number(std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
}

std::int16_t FieldReader::read_i16() {
  return static_cast<std::int16_t>(read_number(std::numeric_limits<std::int16_t>::min(),
                                               std::numeric_limits<std::int16_t>::max()));
}

std::uint8_t FieldReader::read_u8() { return static_cast<std::uint8_t>(read_number(0, 255)); }

}  // namespace borgo::compiler
