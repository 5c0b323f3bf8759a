#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compiled_files.hpp"
#include "compiler/route_model.hpp"

namespace borgo::tools {

// Where and why a file does not fit its layout. What was decoded before that
// point is kept.
struct LayoutProblem {
  std::size_t offset = 0;  // the byte at which the file stops fitting
  std::string message;
};

// The most bytes a compiled file of `kind` can hold (compiled_layout.hpp).
std::uint64_t largest_file_bytes(compiler::CompiledFileKind kind);
// Why a file of `size` bytes cannot be a compiled file of `kind`, told by its
// size alone; nullopt when it may be one.
std::optional<LayoutProblem> size_problem(compiler::CompiledFileKind kind, std::uint64_t size);

// The cell file: 15 bytes a cell, cell 0 first, no more cells than the grid
// of the longest line has.
struct DecodedCells {
  std::vector<compiler::CellRecord> cells;
  std::optional<LayoutProblem> problem;
};
DecodedCells decode_cell_file(std::string_view bytes);

// The train file: 87 item records of 34 bytes plus their texts.
struct DecodedItems {
  std::vector<compiler::ItemRecord> items;
  std::vector<std::size_t> offsets;  // where each record begins
  std::optional<LayoutProblem> problem;
};
DecodedItems decode_train_file(std::string_view bytes);

// The line file: tagged values, all first coordinates, then all second ones.
struct DecodedPlan {
  std::vector<compiler::PlanValue> entries;  // in file order, up to a problem
  // [coordinate][metre], split from the entries only when the file fits.
  std::array<compiler::PlanColumn, 2> columns;
  std::optional<LayoutProblem> problem;
};
DecodedPlan decode_line_file(std::string_view bytes);

}  // namespace borgo::tools
