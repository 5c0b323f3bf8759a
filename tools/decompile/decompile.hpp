#pragma once

// The compiled files back to descriptions: from the bytes of the three files
// a compile wrote (the line file optional) and the scenario's names, a line
// description and a train description that compile to those bytes again.
// It reads and writes no file and keeps no state between calls.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compiled_files.hpp"

namespace borgo::tools::decompile {

// The compiled files of one scenario, with its names in Windows-1252 as the
// compile takes them.
struct CompiledInput {
  std::string line_name;
  std::string train_name;
  std::optional<std::string_view> line_file;  // nullopt: compiled without one
  std::string_view train_file;
  std::string_view cell_file;
};

// The two descriptions, Windows-1252 text with CR LF line ends.
struct Descriptions {
  std::string line;
  std::string train;
};

// Why the files cannot be decompiled: the file, the byte at which the
// problem shows and what it is.
struct Misfit {
  enum class Kind : std::uint8_t {
    kLayout,        // the bytes do not fit the file's layout
    kNeverWritten,  // no description compiles to what the bytes hold
    kNotRebuilt,    // a description may exist, but this decompiler does not find it
  };
  Kind kind = Kind::kLayout;
  compiler::CompiledFileKind file = compiler::CompiledFileKind::kCells;
  std::size_t offset = 0;
  std::string reason;
};

// Something the files do not keep: the descriptions hold a guess for it.
// The format has no comment row, so this list is its only record.
struct Unrecovered {
  std::string what;    // "curves", "station column 5", ...
  std::string detail;  // which rows, and what was written instead
};

struct Decompilation {
  std::optional<Descriptions> descriptions;  // none when `misfit` is set
  std::vector<Unrecovered> unrecovered;
  std::optional<Misfit> misfit;
};

// Never throws for bad input: what does not fit comes back as the misfit.
Decompilation decompile(const CompiledInput& input);

// "cell file", "train file", "line file".
std::string_view file_title(compiler::CompiledFileKind file);
// One line: the file, the byte offset and the reason.
std::string describe(const Misfit& misfit);

}  // namespace borgo::tools::decompile
