#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/compiled_files.hpp"
#include "tools/drawing/compiled_decoder.hpp"
#include "tools/drawing/json_writer.hpp"

namespace borgo::tools {

// What a compiled file holds, entry by entry, in the terms of its layout: a
// summary, the entries, and where the file stops fitting.
struct Listing {
  Record summary;
  std::string entries_name;
  std::vector<std::pair<std::string, Record>> entries;  // text label, fields
  std::optional<LayoutProblem> problem;
};

// A cell file's cells that hold something, a train file's records that are
// not all zero, a line file's entry counts and its coordinates every 1000 m.
Listing list_compiled_file(compiler::CompiledFileKind kind, std::string_view bytes);

// A file larger than its kind can be: said so, and nothing of it read.
Listing list_oversized_file(compiler::CompiledFileKind kind, std::uint64_t size);

// One line a entry, or one JSON object for the file.
void write_listing_text(std::ostream& out, const std::string& file, std::uint64_t size,
                        const Listing& listing);
void write_listing_json(std::ostream& out, const std::string& file, std::uint64_t size,
                        const Listing& listing);

}  // namespace borgo::tools
