#pragma once

// The proof of a decompilation: the descriptions compiled in memory with
// the compile core, their files held against the files they came from.

#include <cstddef>
#include <optional>
#include <string>

#include "tools/decompile/decompile.hpp"

namespace borgo::tools::decompile {

// The first place where the compiled files differ: the file, the byte, the
// cell, item or plan entry and its field, and the two values.
struct Difference {
  compiler::CompiledFileKind file = compiler::CompiledFileKind::kCells;
  std::size_t offset = 0;
  std::string where;     // "cell 22 value4", "item 5 end", "metre 1350 coordinate 1", ...
  std::string expected;  // as in the input
  std::string got;       // as the descriptions compile
};

struct RoundTrip {
  std::optional<Difference> difference;  // none: every file is byte for byte the input
  bool exact() const { return !difference; }
};

// Compiles `descriptions` under the input's names, with a line file when the
// input has one (as the program does) and without one otherwise (as
// `scenario-tool compile --no-line-file` does), and compares the files.
RoundTrip check_round_trip(const CompiledInput& input, const Descriptions& descriptions);

// "exact", or the file, offset, place and both values of the difference.
std::string describe(const RoundTrip& result);

}  // namespace borgo::tools::decompile
