#pragma once

// What an author most likely meant by a key that matches no row of its
// section: a row of another section, a row written in other letters, or the
// row nearest to it by edit distance. The compile's diagnostics, explain,
// the language server and the preview all ask here.

#include <cstddef>
#include <string_view>
#include <utility>

#include "compiler/compile_report.hpp"
#include "compiler/description_format.hpp"

namespace borgo::tools {

struct KeyGuess {
  enum class Kind : std::uint8_t {
    kOtherSection,  // the key holds the key words of a row of another section
    kLetterCase,    // it would match a row of its section but for its letter case
    kNear,          // it is near a row of its section
    kFar,           // it is near no row of its section
  };
  Kind kind = Kind::kFar;
  const compiler::format::RowFormat* row = nullptr;  // the nearest row, for every kind
  std::size_t distance = 0;                          // from that row's key, ignoring case
};

// The guess for `key`, a key field that matched no row of `section`.
KeyGuess guess_key(std::string_view key, compiler::format::Section section);

// The row of `section` nearest to `key` by edit distance, ignoring letter
// case, against the row's name and the key of its example ("curvas1"), and
// that distance. Keys of any length are compared by their first 64 letters.
std::pair<const compiler::format::RowFormat*, std::size_t> nearest_row(
    std::string_view key, compiler::format::Section section);

// The same over both sections of `document`: the row's name.
std::pair<std::string_view, std::size_t> nearest_key(std::string_view key,
                                                     compiler::Document document);

// The key of a row's example, as an author writes the row: "curvas1".
std::string_view example_key(const compiler::format::RowFormat& row);

}  // namespace borgo::tools
