#pragma once

// The line file's layout read without decoding its values: the entries as
// runs of one type code each, with where each run begins, so that a reader
// of millions of metres can find any entry, or walk the values of a run in
// place, without holding a decoded copy.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "compiler/line_plan.hpp"
#include "tools/drawing/compiled_decoder.hpp"

namespace borgo::tools {

// The unsigned number in the sizeof(Unsigned) bytes at `at`, least
// significant first: one load where the machine is little-endian.
template <typename Unsigned>
Unsigned little_endian_at(const char* at) {
  Unsigned value = 0;
  std::memcpy(&value, at, sizeof value);
  if constexpr (std::endian::native == std::endian::big) {
    Unsigned swapped = 0;
    for (std::size_t i = 0; i < sizeof value; ++i) {
      swapped = static_cast<Unsigned>((swapped << 8) | ((value >> (8 * i)) & 0xff));
    }
    value = swapped;
  }
  return value;
}

// Entries first .. first + count - 1 of the file, all of type code `tag`,
// the first of them at byte `offset`.
struct PlanEntryRun {
  compiler::PlanValue::Tag tag = compiler::PlanValue::kUnset;
  std::size_t first = 0;
  std::size_t count = 0;
  std::size_t offset = 0;
};

class LineFileLayout {
 public:
  // Reads the type codes of `bytes`, which must outlive the layout.
  explicit LineFileLayout(std::string_view bytes);
  // The layout of `bytes` as `runs` that a reader has checked to tile them,
  // entry by entry, in an even number.
  LineFileLayout(std::string_view bytes, std::vector<PlanEntryRun> runs);

  // Where the file stops fitting; the runs hold the entries before it.
  const std::optional<LayoutProblem>& problem() const { return problem_; }
  const std::vector<PlanEntryRun>& runs() const { return runs_; }
  std::size_t entries() const { return entries_; }
  // Entries a coordinate, when the file fits.
  std::size_t metres() const { return entries_ / 2; }

  // The run holding `entry`, which is below entries().
  const PlanEntryRun& run_of(std::size_t entry) const;
  // Where `entry` begins; the file's end for entries().
  std::size_t offset_of(std::size_t entry) const;
  compiler::PlanValue entry(std::size_t entry) const;
  // Every entry read, in file order.
  std::vector<compiler::PlanValue> decoded() const;
  // The first entry of first .. end - 1 whose type code is not `tag`; end
  // when there is none.
  std::size_t first_not(compiler::PlanValue::Tag tag, std::size_t first, std::size_t end) const;
  std::string_view bytes() const { return bytes_; }

 private:
  compiler::PlanValue value_at(compiler::PlanValue::Tag tag, std::size_t offset) const;

  std::string_view bytes_;
  std::vector<PlanEntryRun> runs_;
  std::size_t entries_ = 0;
  std::optional<LayoutProblem> problem_;
};

}  // namespace borgo::tools
