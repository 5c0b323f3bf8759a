#pragma once

#include <filesystem>

#include "compiler/compile.hpp"
#include "tools/drawing/line_render.hpp"
#include "tools/shared/scenario_names.hpp"

namespace borgo::tools {

// What render_line_svg draws, decoded from a compilation's files as they lie
// in memory; `folder` only names them in messages. Throws storage::FileError
// when a file is missing or does not fit its layout.
RenderInput render_input_of(const compiler::Compilation& compilation, const ScenarioNames& names,
                            const std::filesystem::path& folder);

// The same input, with the plan's coordinates worked out from the
// compilation's line plan as the line file's writer works them out, rather
// than written into the line file's megabytes and read back. The item and
// cell files are decoded as above.
RenderInput render_input_from_plan(const compiler::Compilation& compilation,
                                   const ScenarioNames& names, const std::filesystem::path& folder);

// The same, from the compiled files in `folder`; the line file may be missing.
RenderInput render_input_in(const std::filesystem::path& folder, const ScenarioNames& names);

}  // namespace borgo::tools
