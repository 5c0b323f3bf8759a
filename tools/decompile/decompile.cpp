#include "tools/decompile/decompile.hpp"

#include <exception>
#include <new>

#include "compiler/record_roles.hpp"
#include "compiler/runtime_failure.hpp"
#include "tools/decompile/cells/cell_features.hpp"
#include "tools/decompile/compiled_scenario.hpp"
#include "tools/decompile/description_writer.hpp"
#include "tools/decompile/rows/curve_rows.hpp"
#include "tools/decompile/rows/general_rows.hpp"
#include "tools/decompile/rows/mountain_rows.hpp"
#include "tools/decompile/rows/profile_rows.hpp"
#include "tools/decompile/rows/station_rows.hpp"

namespace borgo::tools::decompile {
namespace {

using compiler::CellRecord;

// The value a profile row gives for each code the cells hold.
std::int32_t gradient_value(std::uint8_t code) { return compiler::gradient_per_mille(code); }
std::int32_t speed_value(std::uint8_t code) { return compiler::speed_code_kmh(code); }
std::int32_t adhesion_value(std::uint8_t code) { return code; }

Descriptions rebuild(const CompiledInput& input, std::vector<Unrecovered>& unrecovered) {
  const CompiledScenario s = read_compiled_scenario(input);
  LineRows line;
  TrainRows train;
  recover_general_rows(s, line, train, unrecovered);
  line.gradients = profile_rows(s.cells, &CellRecord::gradient_code, gradient_value);
  train.speed = profile_rows(s.cells, &CellRecord::speed_code, speed_value);
  train.adhesion = profile_rows(s.cells, &CellRecord::adhesion, adhesion_value);
  if (s.plan) {
    line.curves = recover_curves(s);
  } else {
    unrecovered.push_back({"curves",
                           "without the line file the line's plan is unknown: no curve row is "
                           "written, and the descriptions compile to these files without one"});
  }
  line.mountains = recover_mountains(s, unrecovered);
  const std::vector<RecoveredStation> stations = recover_stations(s, unrecovered);
  recover_cell_features(s, stations, line, train, unrecovered);
  return {write_line_description(line), write_train_description(train)};
}

}  // namespace

std::string_view file_title(compiler::CompiledFileKind file) {
  switch (file) {
    case compiler::CompiledFileKind::kLinePlan:
      return "line file";
    case compiler::CompiledFileKind::kItems:
      return "train file";
    case compiler::CompiledFileKind::kCells:
      break;
  }
  return "cell file";
}

std::string describe(const Misfit& misfit) {
  return std::string(file_title(misfit.file)) + ", byte " + std::to_string(misfit.offset) + ": " +
         misfit.reason;
}

Decompilation decompile(const CompiledInput& input) {
  Decompilation out;
  try {
    out.descriptions = rebuild(input, out.unrecovered);
  } catch (const MisfitFound& found) {
    out.unrecovered.clear();
    out.misfit = found.misfit;
  } catch (const compiler::RuntimeFailure& failure) {
    // A value no compile step can hold, met while rebuilding.
    out.unrecovered.clear();
    out.misfit =
        Misfit{Misfit::Kind::kNotRebuilt, compiler::CompiledFileKind::kCells, 0, failure.what()};
  }
  return out;
}

}  // namespace borgo::tools::decompile
