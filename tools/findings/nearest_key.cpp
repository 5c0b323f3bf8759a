#include "tools/findings/nearest_key.hpp"

#include <algorithm>
#include <string>

#include "tools/shared/edit_distance.hpp"

namespace borgo::tools {
namespace {

namespace format = compiler::format;

// A key in other letters is matched by lowering it, as far as the edit
// distance would look at it.
std::string lowered(std::string_view text) {
  std::string out;
  for (const char c : text.substr(0, kEditDistanceLongest)) {
    out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

std::size_t distance_to(std::string_view key, const format::RowFormat& row) {
  return std::min(edit_distance(key, row.name, Digits::kAlike),
                  edit_distance(key, example_key(row), Digits::kAlike));
}

// Near enough to be what the author meant: a slip of two letters in a short
// key, one more for every three letters of a longer one.
bool near(std::size_t distance, const format::RowFormat& row) {
  const std::size_t longest = std::max(row.name.size(), example_key(row).size());
  return distance <= std::max<std::size_t>(2, (longest + 2) / 3);
}

}  // namespace

std::string_view example_key(const format::RowFormat& row) {
  return row.example.substr(0, row.example.find(','));
}

std::pair<const format::RowFormat*, std::size_t> nearest_row(std::string_view key,
                                                             format::Section section) {
  const format::RowFormat* best = nullptr;
  std::size_t best_distance = static_cast<std::size_t>(-1);
  for (const format::RowFormat& row : format::rows_of(section)) {
    const std::size_t distance = distance_to(key, row);
    if (distance < best_distance) {
      best_distance = distance;
      best = &row;
    }
  }
  return {best, best_distance};
}

std::pair<std::string_view, std::size_t> nearest_key(std::string_view key,
                                                     compiler::Document document) {
  std::pair<std::string_view, std::size_t> best{{}, static_cast<std::size_t>(-1)};
  for (const format::Section section :
       {format::Section::kLineGeneral, format::Section::kLineBody, format::Section::kTrainBody}) {
    if (format::document_of(section) != document) continue;
    const auto [row, distance] = nearest_row(key, section);
    if (row != nullptr && distance < best.second) best = {row->name, distance};
  }
  return best;
}

KeyGuess guess_key(std::string_view key, format::Section section) {
  for (const format::RowFormat& row : format::rows()) {
    if (row.section != section && row.key->match(key)) {
      return {KeyGuess::Kind::kOtherSection, &row, 0};
    }
  }
  const std::string lower = lowered(key);
  for (const format::RowFormat& row : format::rows_of(section)) {
    if (row.key->letter_case == compiler::LetterCase::kExact && row.key->match(lower)) {
      return {KeyGuess::Kind::kLetterCase, &row, distance_to(lower, row)};
    }
  }
  const auto [row, distance] = nearest_row(key, section);
  return {row != nullptr && near(distance, *row) ? KeyGuess::Kind::kNear : KeyGuess::Kind::kFar,
          row, distance};
}

}  // namespace borgo::tools
