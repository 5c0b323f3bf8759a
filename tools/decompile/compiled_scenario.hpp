#pragma once

// The three compiled files decoded and held to their layouts, with the byte
// offset of every field, so that each later step can say where a file stops
// making sense.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/line_plan.hpp"
#include "compiler/route_model.hpp"
#include "tools/decompile/decompile.hpp"
#include "tools/decompile/rows/plan_turns.hpp"
#include "tools/drawing/line_file_layout.hpp"

namespace borgo::tools::decompile {

// Thrown inside the decompiler where the files stop being decompilable; the
// entry turns it into its report.
struct MisfitFound {
  Misfit misfit;
};
[[noreturn]] void misfit(Misfit::Kind kind, compiler::CompiledFileKind file, std::size_t offset,
                         std::string reason);

enum class CellField : std::uint8_t {
  kKind,
  kValue1,
  kValue2,
  kValue3,
  kValue4,
  kSignalTime,
  kApproachMark,
  kMountainType,
  kSpeedCode,
  kGradientCode,
  kAdhesion,
};

enum class ItemField : std::uint8_t {
  kKind,
  kStart,
  kEnd,
  kPosition,
  kFlag,
  kText,
  kInt1,
  kInt2,
  kInt3,
  kInt4,
  kInt5,
  kByte1,
  kByte2,
  kByte3,
  kByte4,
  kSeconds,
};

struct CompiledScenario {
  std::string line_name;
  std::string train_name;
  // As in the cell file, but cell 1 without its stamp and plain contest
  // code: as the compile had it before stamping.
  std::vector<compiler::CellRecord> cells;
  std::array<compiler::ItemRecord, compiler::kItemCount> items;
  std::array<std::size_t, compiler::kItemCount> item_offsets{};
  // The line file's entries, first coordinates then second ones, read in
  // place from the input's bytes; none without a line file.
  std::optional<LineFileLayout> plan;
  // The plan's turns, when the line file was read and walked in one pass.
  std::optional<PlanTurns> turns;
  std::int32_t line_length = 0;
  std::int32_t cell_last = 0;
  std::int32_t plan_last = 0;

  std::size_t cell_offset(std::int64_t cell, CellField field) const;
  std::size_t item_offset(int item, ItemField field) const;
  // Where the entry of `metre` in `coordinate` begins in the line file.
  std::size_t plan_offset(int coordinate, std::int64_t metre) const;

  [[noreturn]] void cell_misfit(std::int64_t cell, CellField field, std::string reason,
                                Misfit::Kind kind = Misfit::Kind::kNeverWritten) const;
  [[noreturn]] void item_misfit(int item, ItemField field, std::string reason,
                                Misfit::Kind kind = Misfit::Kind::kNeverWritten) const;
};

// Decodes the files and checks what every compile writes whatever the
// descriptions hold: the layouts, the names and the contest stamps, and the
// sizes the line length gives. Throws MisfitFound.
CompiledScenario read_compiled_scenario(const CompiledInput& input);

// "kind", "value1", ... as the layouts name them.
std::string_view cell_field_name(CellField field);
std::string_view item_field_name(ItemField field);

}  // namespace borgo::tools::decompile
